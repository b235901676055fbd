#include "ports/LineSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "ports/SerialControl.h"
#include "ports/SerialErrors.h"
#include "ports/XonXoff.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsRecord.h"
#include "support/Raised.h"

namespace qm {
namespace {

// Every field of the texts the port frame builds, and the canonical text each reads back as.
// (fuzz/LineSettingsFuzzer tries arbitrary texts against the same rules.)
TEST(LineSettingsTest, ReadsEveryFieldAndWritesTheCanonicalText) {
    const struct {
        const char* text;
        std::int32_t baud;
        Parity parity;
        int dataBits;
        StopBits stopBits;
        const char* canonical;
    } cases[] = {
        {"9600,e,7,2", 9600, Parity::Even, 7, StopBits::Two, "9600,e,7,2"},
        {"300,M,6,1", 300, Parity::Mark, 6, StopBits::One, "300,m,6,1"},  // hand-written texts use capitals
        {"9600,s,6,2", 9600, Parity::Space, 6, StopBits::Two, "9600,s,6,2"},
        {"75,N,4,1", 75, Parity::None, 4, StopBits::One, "75,n,4,1"},
        {"110,o,5,1.5", 110, Parity::Odd, 5, StopBits::OneAndHalf, "110,o,5,1.5"},
        // A rate not in the list goes through unchanged; whether it opens is the device's matter.
        {"2147483647,n,8,1", 2147483647, Parity::None, 8, StopBits::One, "2147483647,n,8,1"}};
    for (const auto& c : cases) {
        const LineSettings settings = LineSettings::Parse(c.text);
        EXPECT_EQ(settings.baudRate, c.baud) << c.text;
        EXPECT_EQ(settings.parity, c.parity) << c.text;
        EXPECT_EQ(settings.dataBits, c.dataBits) << c.text;
        EXPECT_EQ(settings.stopBits, c.stopBits) << c.text;
        EXPECT_EQ(settings.ToString(), c.canonical) << c.text;
        EXPECT_EQ(LineSettings::Parse(settings.ToString()), settings) << c.text;
    }
}

TEST(LineSettingsTest, RefusesWhatCannotBeHonouredInsteadOfGuessing) {
    for (const char* text :
         {"", "2400", "2400,n,8", "2400,n,8,1,", ",n,8,1", "2400,,8,1", "2400,n,,1", "2400,n,8,", "x,n,8,1",
          "-2400,n,8,1", "+2400,n,8,1", " 2400,n,8,1", "2400 ,n,8,1", "2400,n ,8,1", "2400,n,8,1 ", "0,n,8,1",
          "2147483648,n,8,1", "99999999999999999999,n,8,1", "2400.5,n,8,1", "2400,x,8,1", "2400,no,8,1",
          "2400,n,3,1", "2400,n,9,1", "2400,n,08,1", "2400,n,8,0", "2400,n,8,3", "2400,n,8,1.0",
          "2400,n,8,1,5", "2400;n;8;1",
          // Read as written ("1.5" only); which combinations a driver takes, SerialChecks says.
          "2400,n,5,1.50"}) {
        const test::Raised raised = test::RaisedBy([&] { LineSettings::Parse(text); });
        EXPECT_EQ(raised.number, comInvalidPropertyValue) << "accepted \"" << text << "\"";
        EXPECT_NE(raised.description.find(text), std::string::npos) << raised.description;
    }
}

// Each of the thirteen codes, given XON or XOFF alone, is named by its own setting; only Xon/Xoff
// handshaking swallows them.
TEST(XonXoffTest, NamesEachActionWhoseCodeXonXoffHandshakingSwallows) {
    int codes = 0;
    for (const layout::Setting& setting : layout::Settings()) {
        if (std::string(setting.valueName).find("_ASCII") == std::string::npos) {
            continue;
        }
        ++codes;
        for (const std::int16_t code : {kXonCode, kXoffCode}) {
            SettingsRecord s;
            layout::Load(setting, s, Variant(code));
            const auto conflicts = XonXoffConflicts(s, comXOnXoff);
            ASSERT_EQ(conflicts.size(), 1u) << setting.valueName;
            EXPECT_STREQ(conflicts[0].setting, setting.valueName);
            EXPECT_EQ(conflicts[0].code, code) << setting.valueName;
            EXPECT_NE(std::string(conflicts[0].action), "") << setting.valueName;
            EXPECT_TRUE(XonXoffConflicts(s, comNone).empty()) << setting.valueName;
        }
    }
    EXPECT_EQ(codes, 29);  // the thirteen and the sixteen optional ones
    // Neighbouring codes are received; several conflicts come in the settings' order.
    SettingsRecord s;
    s.N_ASCII(18);
    s.S_ASCII(20);
    EXPECT_TRUE(XonXoffConflicts(s, comXOnXoff).empty());
    s.RIGHT_DCLICK_ASCII(17);
    s.STOP_ASCII(19);
    const auto conflicts = XonXoffConflicts(s, comXOnXoff);
    ASSERT_EQ(conflicts.size(), 2u);
    EXPECT_STREQ(conflicts[0].setting, "STOP_ASCII");
    EXPECT_STREQ(conflicts[1].setting, "RIGHT_DCLICK_ASCII");
}

}  // namespace
}  // namespace qm
