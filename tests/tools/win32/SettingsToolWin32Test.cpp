#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ScratchLocalMachine.h"
#include "SettingsTool.h"

namespace qm {
namespace {

struct ToolRun {
    int exit = -1;
    std::string out;
    std::string err;
};

constexpr const char* kTree = "HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion";

// quillmotion-settings' commands, in this process, on the registry an installer's "init" meets:
// Wine's, with HKEY_LOCAL_MACHINE a scratch key of the test's own.
class SettingsToolWin32 : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(machine_.Problem(), ""); }
    static ToolRun Tool(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int exit = RunSettingsTool(args, out, err);
        return {exit, out.str(), err.str()};
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    test::ScratchLocalMachine machine_;
};

TEST_F(SettingsToolWin32, InitMakesTheTreeOnceAndNeverOverwrites) {
    const ToolRun first = Tool({"init"});
    ASSERT_EQ(first.exit, 0) << first.err;
    EXPECT_TRUE(Has(first.out, "ready in the registry (" + std::string(kTree) + "): ")) << first.out;
    EXPECT_TRUE(Has(first.out, " values added, 0 existing values kept.")) << first.out;
    ASSERT_EQ(Tool({"set", "Mouse\\Movement", "N_ASCII", "REG_DWORD", "65"}).exit, 0);

    const ToolRun again = Tool({"init"});
    ASSERT_EQ(again.exit, 0) << again.err;
    EXPECT_TRUE(Has(again.out, ": 0 keys and 0 values added, 31 existing values kept.")) << again.out;
    EXPECT_EQ(Tool({"get", "Mouse\\Movement", "N_ASCII"}).out, "65\n");

    const ToolRun exported = Tool({"export"});
    ASSERT_EQ(exported.exit, 0) << exported.err;
    EXPECT_EQ(exported.out.rfind("REGEDIT4\n\n[" + std::string(kTree) + "]\n", 0), 0u) << exported.out;
    EXPECT_TRUE(Has(exported.out, "\\Mouse\\Movement]\n\"BouncyMouse\"=dword:00000000\n"));
    EXPECT_TRUE(Has(exported.out, "\"N_ASCII\"=dword:00000041\n"));
    EXPECT_TRUE(
        Has(exported.out, "\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"));
    EXPECT_FALSE(Has(exported.out, "Devices")) << "Windows has no device map";
}

// map and unmap do not apply; what the registry refuses is said, and where, and nothing changes.
TEST_F(SettingsToolWin32, CommandsThatCannotBeDoneSayWhy) {
    ASSERT_EQ(Tool({"init"}).exit, 0);
    const std::string movement = "Software\\Tallowmer\\Quillmotion\\Mouse\\Movement";
    ASSERT_TRUE(machine_.DenyChanges(movement));
    struct Refused {
        std::vector<std::string> args;
        int exit;
        std::string why;
    };
    const std::string notFound = "not found\n  (registry key " + std::string(kTree) + ")\n";
    const std::string denied =
        "could not create key " + movement + ": access denied: changing HKEY_LOCAL_MACHINE";
    for (const Refused& row : std::vector<Refused>{
             {{"map", "COM7:", "COM7"}, 2, "'map' does not apply here: Windows names its serial ports"},
             {{"unmap", "COM7:"}, 2, "'unmap' does not apply here"},
             {{"set", "Nowhere", "X", "REG_SZ", "y"}, 1, notFound},
             {{"set", "Mouse\\Movement", "N_ASCII", "REG_DWORD", "2"}, 1, "needs administrator rights"},
             {{"init"}, 1, denied}}) {
        SCOPED_TRACE(row.args[0]);
        const ToolRun run = Tool(row.args);
        EXPECT_EQ(run.exit, row.exit);
        EXPECT_EQ(run.err.rfind("quillmotion-settings: ", 0), 0u);
        EXPECT_TRUE(Has(run.err, row.why)) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(Tool({"get", "Mouse\\Movement", "N_ASCII"}).out, "1\n") << "reading needs no rights";
    const std::string help = Tool({"--help"}).out;
    EXPECT_TRUE(Has(help, "The tree lives in the Windows registry, not in a file")) << help;
    EXPECT_FALSE(Has(help, "map COMn:")) << help;
}

}  // namespace
}  // namespace qm
