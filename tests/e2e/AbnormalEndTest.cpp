// Ends the program does not see coming leave nothing held on the display, as a second X client
// reads it: Ctrl locked and the left button locked when the program's X connection is cut (a
// window manager's force-quit), on a crash, and on SIGKILL, after which the next start lets go;
// and SIGTERM ends the program even while a start-up message box waits for the user.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "support/gui/LaunchedProgram.h"

#include <csignal>
#include <filesystem>
#include <optional>
#include <ostream>

using namespace std::chrono_literals;
using namespace qm::test;

namespace {

struct AbnormalEnd {
    const char* name;
    int signal;                 // 0: the program's X connection is cut instead
    bool boxAtStart;            // the device is absent: start-up waits at "Could not open specified port"
    bool startAgain;            // once it has ended
    std::optional<int> status;  // where the exit status is the program's own choice
};

void PrintTo(const AbnormalEnd& end, std::ostream* out) {
    *out << end.name;
}

class AbnormalEndTest : public ::testing::TestWithParam<AbnormalEnd> {};

}  // namespace

TEST_P(AbnormalEndTest, LeavesNothingHeld) {
    QM_SKIP_WITHOUT_DESKTOP();
    const AbnormalEnd& end = GetParam();
    // Code 20 locks the left button, 29 latches Ctrl and locks it the second time.
    LaunchedProgram run({.values = {"Mouse\\Buttons LEFT_LOCK_ASCII 20", "Emulation CTRL_ASCII 29"}});
    Looker& looker = run.Desktop();
    if (end.boxAtStart) {
        std::filesystem::remove(run.DevicePath());
    }
    run.Start();
    if (end.boxAtStart) {
        ASSERT_NE(looker.WaitShown("Quillmotion"), 0u) << "no message box at start-up; " << run.Output();
    } else {
        ASSERT_TRUE(run.WaitConnected()) << run.Output();
        run.Line().Write("\x1d\x1d\x14");
        // Control and the first button.
        ASSERT_TRUE(Eventually([&] { return looker.Held().ends_with("mask 260"); })) << looker.Held();
    }

    if (end.signal == 0) {
        looker.KillClientOf(looker.FindNamed("Quillmotion : Properties")->first);
    } else {
        ::kill(run.Program().Pid(), end.signal);
    }
    const std::optional<int> status = run.Program().WaitForExit(15s);
    ASSERT_TRUE(status.has_value()) << "the program did not end";
    if (end.status) {
        EXPECT_EQ(*status, *end.status) << run.Output();
    }
    if (end.startAgain) {
        run.Start();
        ASSERT_TRUE(run.WaitConnected()) << run.Output();
    }
    EXPECT_TRUE(Eventually([&] { return looker.Held().empty(); }, 5s)) << looker.Held();
}

INSTANTIATE_TEST_SUITE_P(
    Ends, AbnormalEndTest,
    ::testing::Values(AbnormalEnd{"ForceQuit", 0, false, false, std::nullopt},
                      AbnormalEnd{"Segfault", SIGSEGV, false, false, std::nullopt},
                      AbnormalEnd{"Abort", SIGABRT, false, false, std::nullopt},
                      AbnormalEnd{"KilledThenStartedAgain", SIGKILL, false, true, std::nullopt},
                      AbnormalEnd{"TerminatedDuringStartupBox", SIGTERM, true, false, 0}),
    [](const ::testing::TestParamInfo<AbnormalEnd>& row) { return std::string(row.param.name); });
