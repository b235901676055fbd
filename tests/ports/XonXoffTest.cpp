#include "ports/XonXoff.h"

#include <gtest/gtest.h>

#include <string>

#include "ports/SerialControl.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsRecord.h"

namespace qm {
namespace {

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
            EXPECT_TRUE(XonXoffConflicts(s, comRTS).empty()) << setting.valueName;
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
