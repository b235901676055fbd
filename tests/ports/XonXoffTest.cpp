#include "ports/XonXoff.h"

#include <gtest/gtest.h>

#include <functional>

#include "ports/SerialControl.h"
#include "settings/SettingsRecord.h"

namespace qm {
namespace {

// Each of the thirteen codes, given XON or XOFF alone, is named by its own setting; only Xon/Xoff
// handshaking swallows them.
TEST(XonXoffTest, NamesEachActionWhoseCodeXonXoffHandshakingSwallows) {
    const std::pair<const char*, std::function<void(SettingsRecord&, std::int16_t)>> settings[] = {
        {"N_ASCII", [](SettingsRecord& s, std::int16_t c) { s.N_ASCII(c); }},
        {"S_ASCII", [](SettingsRecord& s, std::int16_t c) { s.S_ASCII(c); }},
        {"W_ASCII", [](SettingsRecord& s, std::int16_t c) { s.W_ASCII(c); }},
        {"E_ASCII", [](SettingsRecord& s, std::int16_t c) { s.E_ASCII(c); }},
        {"NE_ASCII", [](SettingsRecord& s, std::int16_t c) { s.NE_ASCII(c); }},
        {"NW_ASCII", [](SettingsRecord& s, std::int16_t c) { s.NW_ASCII(c); }},
        {"SW_ASCII", [](SettingsRecord& s, std::int16_t c) { s.SW_ASCII(c); }},
        {"SE_ASCII", [](SettingsRecord& s, std::int16_t c) { s.SE_ASCII(c); }},
        {"STOP_ASCII", [](SettingsRecord& s, std::int16_t c) { s.STOP_ASCII(c); }},
        {"LEFT_SCLICK_ASCII", [](SettingsRecord& s, std::int16_t c) { s.LEFT_SCLICK_ASCII(c); }},
        {"LEFT_DCLICK_ASCII", [](SettingsRecord& s, std::int16_t c) { s.LEFT_DCLICK_ASCII(c); }},
        {"RIGHT_SCLICK_ASCII", [](SettingsRecord& s, std::int16_t c) { s.RIGHT_SCLICK_ASCII(c); }},
        {"RIGHT_DCLICK_ASCII", [](SettingsRecord& s, std::int16_t c) { s.RIGHT_DCLICK_ASCII(c); }},
    };
    for (const auto& [name, set] : settings) {
        for (const std::int16_t code : {kXonCode, kXoffCode}) {
            SettingsRecord s;
            set(s, code);
            const auto conflicts = XonXoffConflicts(s, comXOnXoff);
            ASSERT_EQ(conflicts.size(), 1u) << name;
            EXPECT_STREQ(conflicts[0].setting, name);
            EXPECT_EQ(conflicts[0].code, code) << name;
            EXPECT_NE(std::string(conflicts[0].action), "") << name;
            EXPECT_TRUE(XonXoffConflicts(s, comNone).empty()) << name;
            EXPECT_TRUE(XonXoffConflicts(s, comRTS).empty()) << name;
        }
    }
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
