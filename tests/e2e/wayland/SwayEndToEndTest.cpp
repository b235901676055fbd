// The built program in a sway session (headless, on the US and German layouts), as its user has
// it: chosen from the session alone, the device's codes move the pointer, click, turn the wheels,
// press keys by Esc A 256+VK, hold Ctrl around a key, and type every printable character.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "DeviceCodes.h"
#include "diag/Cp1252.h"
#include "support/PrintableAnsi.h"
#include "support/gui/LaunchedProgram.h"
#include "support/wayland/SwaySession.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

using namespace std::chrono_literals;
using namespace qm;
using namespace qm::test;

namespace {

using Events = std::vector<std::string>;

class SwayEndToEnd : public testing::TestWithParam<std::string> {};

TEST_P(SwayEndToEnd, TheDeviceDrivesTheDesktopChosenFromTheSession) {
    ASSERT_EQ(LaunchedProgram::Missing(), "");
    SwaySession sway(GetParam());
    WevRecorder window(sway);
    // The socket by its full path: sway's runtime folder is not ours (sway runs as nobody under
    // root), and a program sent there would share Qt's fallback folder with the other layout's.
    LaunchOptions options{.values = kMoreCodes,
                          .environment = {"WAYLAND_DISPLAY=" + sway.Socket(), "XDG_SESSION_TYPE=wayland"}};
    LaunchedProgram run(options);
    run.Start();
    ASSERT_TRUE(run.WaitConnected()) << run.Output();
    EXPECT_NE(run.Log().find("Desktop input: the wlroots virtual pointer and keyboard."), std::string::npos)
        << run.Log();
    window.Clear();

    // East, then stop: the pointer moves right only, step by step.
    run.Line().Write("\x02");
    const auto moves = [&] {
        return std::count_if(window.Events().begin(), window.Events().end(),
                             [](const std::string& e) { return e.rfind("motion", 0) == 0; });
    };
    EXPECT_TRUE(window.WaitUntil([&] { return moves() >= 3; })) << testing::PrintToString(window.Events());
    run.Line().Write("\x0c");
    int lastX = -1;
    for (const std::string& event : window.Events()) {
        int x = 0, y = 0;
        if (std::sscanf(event.c_str(), "motion %d,%d", &x, &y) == 2) {
            EXPECT_GT(x, lastX) << event;
            lastX = x;
        }
    }
    window.WaitUntil([] { return false; }, 300ms);
    window.Clear();

    // Left, right and middle clicks, the four wheel notches, Home and F5 by their virtual keys,
    // Ctrl latched by its code around "c".
    run.Line().Write(
        "\x0e\x10\x15\x16\x17\x18\x19\x1b"
        "A292\x1b"
        "A372\x1d"
        "c");
    const Events actions{"+left",
                         "-left",
                         "+right",
                         "-right",
                         "+middle",
                         "-middle",
                         "discrete vertical -1",
                         "discrete vertical 1",
                         "discrete horizontal -1",
                         "discrete horizontal 1",
                         "+Home",
                         "-Home",
                         "+F5",
                         "-F5",
                         "modifiers 4",
                         "+c",
                         "-c",
                         "modifiers 0"};
    EXPECT_TRUE(window.WaitUntil([&] { return InOrder(window.Events(), actions); }))
        << testing::PrintToString(window.Events());

    // Every printable character of Windows-1252 arrives as itself, whatever the layout.
    window.Clear();
    // 255, the last, is no code on the line (as 0 is): Esc A 255 sends it.
    std::string sent = PrintableAnsi();
    sent.pop_back();
    run.Line().Write(sent +
                     "\x1b"
                     "A255");
    sent += '\xFF';
    window.WaitUntil([&] { return window.Typed().size() >= sent.size(); }, 30s);
    std::string typed;
    for (const TypedKey& key : window.Typed()) {
        typed += key.text;
    }
    EXPECT_EQ(typed, Utf8FromCp1252(sent));
    EXPECT_EQ(run.Log().find("not typed"), std::string::npos);

    ::kill(run.Program().Pid(), SIGTERM);
    EXPECT_EQ(run.Program().WaitForExit(10s), std::optional<int>(0));
}

INSTANTIATE_TEST_SUITE_P(Layouts, SwayEndToEnd, testing::Values("us", "de"));

}  // namespace

// No desktop input works (a wlroots desktop forced where there is none): the user is told why,
// in a message box and on standard error, and the program ends without touching anything.
TEST(WaylandEndToEnd, SaysWhyWhenNoDesktopInputWorks) {
    ASSERT_EQ(LaunchedProgram::Missing(), "");
    LaunchedProgram run({.values = {},
                         .environment = {"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=no-such-display",
                                         "QUILLMOTION_DESKTOP=wlroots"}});
    run.Start();
    const unsigned long box = run.Desktop().WaitShown("Quillmotion");
    ASSERT_NE(box, 0u) << run.Output();
    EXPECT_NE(
        run.Output().find("Could not reach the desktop's input: No desktop input works here. wlroots: "),
        std::string::npos)
        << run.Output();
    run.Desktop().Close(box);
    EXPECT_EQ(run.Program().WaitForExit(10s), std::optional<int>(1));
    EXPECT_EQ(run.Log(), "");
}
