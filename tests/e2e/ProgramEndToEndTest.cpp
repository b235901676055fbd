// The built program end to end, as its user has it: started to the tray and connected, the
// device moves, stops, types, then goes away in the middle of a movement, and Exit from the tray
// menu ends the program with the port released and the log complete.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "diag/Cp1252.h"
#include "ports/linux/DeviceLocks.h"
#include "settings/RegistryApi.h"
#include "support/gui/LaunchedProgram.h"
#include "support/gui/XEventRecorder.h"

#include <algorithm>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace qm;
using namespace qm::test;

namespace {

bool PointerRests(XEventRecorder& desktop) {
    return Eventually([&] {
        const auto before = desktop.Pointer();
        std::this_thread::sleep_for(150ms);
        return desktop.Pointer() == before;
    });
}

}  // namespace

TEST(ProgramEndToEnd, StartsToTheTrayConnectsMovesTypesLosesItsDeviceAndExits) {
    QM_SKIP_WITHOUT_DESKTOP();
    LaunchedProgram run;
    XEventRecorder desktop(run.Display());
    desktop.WarpPointer(300, 400);
    Looker& looker = run.Desktop();
    run.Start();

    // Started to the tray and connected: the icon says so, and the window is not on screen.
    const std::string connected = "Quillmotion Enabled\nConnected to COM7: at 2400\n";
    ASSERT_TRUE(run.WaitConnected()) << "no tray icon with the connected tip; output: " << run.Output();
    EXPECT_EQ(run.TrayTip(), connected + "0 bytes received");
    const auto icon = looker.FindNamed(connected);
    ASSERT_TRUE(icon.has_value());
    EXPECT_TRUE(looker.Viewable(icon->first));
    const auto window = looker.FindNamed("Quillmotion : Properties");
    EXPECT_TRUE(!window || !looker.Viewable(window->first)) << "the Properties window is on screen";

    // East (code 2): the pointer moves on by itself; Stop (code 12): it comes to rest.
    const auto start = desktop.Pointer();
    run.Line().Write(std::string(1, '\x02'));
    EXPECT_TRUE(Eventually([&] { return desktop.Pointer().first > start.first + 40; }))
        << "the pointer did not move east";
    EXPECT_EQ(desktop.Pointer().second, start.second);
    run.Line().Write(std::string(1, '\x0c'));
    EXPECT_TRUE(PointerRests(desktop)) << "the pointer did not stop";

    // A left click where the pointer is, a plain character, and one typed with Shift, into the
    // window that has the focus.
    desktop.Clear();
    run.Line().Write(
        "\x0e"
        "aA");
    const std::vector<std::string> expected = {"+button1", "-button1", "+a",       "-a",
                                               "+Shift_L", "+A",       "-Shift_L", "-a"};
    EXPECT_TRUE(desktop.WaitForEvents(expected.size())) << "the click and keys did not reach the desktop";
    EXPECT_EQ(desktop.Events(), expected);
    EXPECT_TRUE(Eventually([&] { return run.TrayTip() == connected + "5 bytes received"; }))
        << "the tip did not show the count";

    // While connected the line is held.
    const std::vector<std::string> lockDirs = DefaultLockDirs();
    EXPECT_TRUE(LockFileHeld(run.DevicePath(), lockDirs)) << "the open port holds no lock file";

    // Started again (from the menu, say) while it runs: the running copy shows its window and the
    // new one ends at once, leaving the log, the port and the icon to the first.
    const std::string logBefore = run.Log();
    EXPECT_EQ(run.StartCopy()->WaitForExit(10s), std::optional<int>(0)) << "the second copy did not end";
    EXPECT_NE(looker.WaitShown("Quillmotion : Properties"), 0u) << "the running copy did not show its window";
    EXPECT_EQ(run.Log().substr(0, logBefore.size()), logBefore) << "the second copy touched the log";
    EXPECT_TRUE(LockFileHeld(run.DevicePath(), lockDirs));
    EXPECT_EQ(run.TrayTip(), connected + "5 bytes received");

    // The device goes away while the pointer moves: the movement stops, the tip says so, and the
    // program idles rather than spinning on a dead line.
    run.Line().Write(std::string(1, '\x02'));
    const auto moving = desktop.Pointer();
    ASSERT_TRUE(Eventually([&] { return desktop.Pointer().first > moving.first + 20; }));
    run.Line().CloseFarEnd();
    EXPECT_TRUE(Eventually([&] { return run.TrayTip() == "Quillmotion Enabled\nNot Connected"; }))
        << "the tip did not turn to Not Connected";
    EXPECT_TRUE(PointerRests(desktop)) << "the pointer kept moving after the device went away";
    const auto rest = desktop.Pointer();
    ASSERT_TRUE(run.Program().Running()) << "the program ended when its device went away";
    const double cpuBefore = CpuMilliseconds(run.Program().Pid());
    std::this_thread::sleep_for(1s);
    EXPECT_LT(CpuMilliseconds(run.Program().Pid()) - cpuBefore, 100.0) << "CPU time used in one second";
    EXPECT_EQ(desktop.Pointer(), rest) << "the pointer moved again";

    // Exit from the icon's menu ends the program and releases the line.
    const auto [x, y] = looker.Centre(looker.FindNamed("Quillmotion Enabled\n")->first);
    ASSERT_EQ(run.Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 3"), 0);
    std::optional<int> status;
    ASSERT_TRUE(Eventually(
        [&] {
            run.Xdotool("key e");
            status = run.Program().WaitForExit(400ms);
            return status.has_value();
        },
        20s))
        << "Exit from the tray menu did not end the program";
    EXPECT_EQ(*status, 0);
    for (const std::string& folder : lockDirs) {
        EXPECT_FALSE(fs::exists(fs::path(folder) / LockFileName(run.DevicePath())))
            << "the port's lock file is left behind in " << folder;
    }

    // The log beside the program: the load handler first, the unload at the end.
    const std::vector<std::string> log = Lines(run.Log());
    ASSERT_GE(log.size(), 3u);
    EXPECT_NE(log[0].find(" : frmSerial.Form_Load:Method Entry: "), std::string::npos) << log[0];
    EXPECT_NE(log[1].find(" : frmSerial.Form_Load:: Deleting previous log file..."), std::string::npos)
        << log[1];
    EXPECT_NE(run.Log().find("frmSerial.OpenPort:: Opening Port COM7: - with settings : 2400,n,8,1"),
              std::string::npos);
    EXPECT_NE(log.back().find("frmSerial.Form_Unload:Method Exit"), std::string::npos) << log.back();
}

// Every printable Windows-1252 character, sent in ASCII Sequence Mode, arrives as itself on
// every common layout, and after the layout changes while the program runs.
TEST(ProgramEndToEnd, TypesEveryPrintableCharacterOnEveryLayout) {
    QM_SKIP_WITHOUT_DESKTOP();
    if (FindOnPath("setxkbmap").empty()) {
        GTEST_SKIP() << "setxkbmap is not installed (scripts/deps installs it)";
    }
    LaunchedProgram run({.connectOnStart = true,
                         .tracing = false,
                         .movementDelay = 10,
                         .values = {{"Emulation", "ASCIISequence", REG_DWORD, "1"}}});
    XEventRecorder desktop(run.Display());
    run.Start();
    ASSERT_TRUE(run.WaitConnected()) << run.Output();
    std::vector<unsigned char> printable;
    for (int code = 32; code <= 255; ++code) {
        if (code <= 126 || code == 128 || code >= 160) {
            printable.push_back(static_cast<unsigned char>(code));
        }
    }
    for (const char* layout : {"us", "de", "fr", "gb", "es", "us"}) {
        ASSERT_EQ(std::system(("setxkbmap -display " + run.Display() + " " + layout).c_str()), 0);
        std::string wrong;
        for (const unsigned char code : printable) {
            desktop.Clear();
            const std::string digits = std::to_string(code);
            run.Line().Write(
                "\x1b"
                "A" +
                std::string(3 - digits.size(), '0') + digits);
            const std::string expected = Utf8FromCp1252(std::string(1, static_cast<char>(code)));
            if (!desktop.WaitUntil([&] { return desktop.Text().size() >= expected.size(); }, 2s) ||
                desktop.Text() != expected) {
                wrong += expected + "(" + desktop.Text() + ") ";
            }
        }
        EXPECT_EQ(wrong, "") << "on the " << layout << " layout, sent(arrived)";
        EXPECT_EQ(desktop.Held(), "") << "held after typing on the " << layout << " layout";
    }
}
