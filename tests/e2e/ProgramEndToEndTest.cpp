// The built program end to end, as its user has it: started to the tray and connected, the
// device moves, stops, clicks, types, drags, turns the wheels and changes speed, is unplugged in
// the middle of a movement and plugged in again, holds Ctrl and Alt, and the program ends with
// nothing held, the port released and the log complete.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "ports/linux/DeviceLocks.h"
#include "support/gui/LaunchedProgram.h"
#include "support/gui/XEventRecorder.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <csignal>
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

// Codes 20 to 25 lock, middle, wheel up, down, left, right; 26 faster, 28 slower; 29 Ctrl and 30 Alt;
// acceleration from half the step to twice it over 150 ms; a device that comes back is reconnected. The
// escape sequences are on: the bytes that do not start one are taken one by one as ever.
const LaunchOptions kMoreCodes{
    .reconnect = true,
    .values = {"Mouse\\Movement Acceleration 1", "Mouse\\Movement AccelerationMaximum 2",
               "Mouse\\Movement AccelerationTime 150", "Mouse\\Movement AccelerationStart 50",
               "Mouse\\Buttons LEFT_LOCK_ASCII 20", "Mouse\\Buttons MIDDLE_SCLICK_ASCII 21",
               "Mouse\\Buttons WHEEL_UP_ASCII 22", "Mouse\\Buttons WHEEL_DOWN_ASCII 23",
               "Mouse\\Buttons WHEEL_LEFT_ASCII 24", "Mouse\\Buttons WHEEL_RIGHT_ASCII 25",
               "Mouse\\Movement FASTER_ASCII 26", "Mouse\\Movement SLOWER_ASCII 28",
               "Emulation ASCIISequence 1", "Emulation CTRL_ASCII 29", "Emulation ALT_ASCII 30"}};

const std::string kEast = "\x02", kStop = "\x0c", kClick = "\x0e", kLock = "\x14", kMiddle = "\x15",
                  kFaster = "\x1a", kSlower = "\x1c", kCtrl = "\x1d", kAlt = "\x1e";

}  // namespace

TEST(ProgramEndToEnd, FromTheTrayThroughEveryCodeAndAnUnplugToExit) {
    QM_SKIP_WITHOUT_DESKTOP();
    LaunchedProgram run(kMoreCodes);
    XEventRecorder desktop(run.Display());
    desktop.WarpPointer(300, 400);
    Looker& looker = run.Desktop();
    run.Start();
    const auto tipHas = [&](const std::string& text) {
        return Eventually([&] { return run.TrayTip().find(text) != std::string::npos; });
    };
    const auto warpAndClear = [&](int x, int y) {
        desktop.WarpPointer(x, y);
        desktop.WaitUntil([] { return false; }, 50ms);
        desktop.Clear();
    };

    // Started to the tray and connected: the icon says so, and the window is not on screen.
    const std::string connected = "Quillmotion Enabled\nConnected to COM7: at 2400\n";
    ASSERT_TRUE(run.WaitConnected()) << "no tray icon with the connected tip; output: " << run.Output();
    EXPECT_EQ(run.TrayTip(), connected + "0 bytes received");
    const auto icon = looker.FindNamed(connected);
    ASSERT_TRUE(icon.has_value());
    EXPECT_TRUE(looker.Viewable(icon->first));
    const auto windowShown = [&] {
        const auto window = looker.FindNamed("Quillmotion : Properties");
        return window && looker.Viewable(window->first);
    };
    EXPECT_FALSE(windowShown()) << "the Properties window is on screen";

    // East: the pointer moves on by itself; Stop: it comes to rest.
    const auto start = desktop.Pointer();
    run.Line().Write(kEast);
    EXPECT_TRUE(Eventually([&] { return desktop.Pointer().first > start.first + 40; }))
        << "the pointer did not move east";
    EXPECT_EQ(desktop.Pointer().second, start.second);
    run.Line().Write(kStop);
    EXPECT_TRUE(PointerRests(desktop)) << "the pointer did not stop";

    // A left click where the pointer is, a plain character, and one typed with Shift, into the
    // window that has the focus.
    desktop.Clear();
    run.Line().Write(kClick + "aA");
    const std::vector<std::string> expected = {"+button1", "-button1", "+a",       "-a",
                                               "+Shift_L", "+A",       "-Shift_L", "-a"};
    EXPECT_TRUE(desktop.WaitForEvents(expected.size())) << "the click and keys did not reach the desktop";
    EXPECT_EQ(desktop.Events(), expected);
    EXPECT_TRUE(Eventually([&] { return run.TrayTip() == connected + "5 bytes received"; }))
        << "the tip did not show the count";
    const std::vector<std::string> lockDirs = DefaultLockDirs();
    EXPECT_TRUE(LockFileHeld(run.DevicePath(), lockDirs)) << "the open port holds no lock file";

    // Lock, East, Stop, lock: a drag; the button stays down through the stop.
    warpAndClear(100, 400);
    run.Line().Write(kLock + kEast);
    ASSERT_TRUE(desktop.WaitUntil([&] { return desktop.Motions().size() > 5; }, 5s));
    EXPECT_TRUE(tipHas("\nLeft button held down"));
    run.Line().Write(kStop);
    desktop.WaitUntil([] { return false; }, 200ms);
    EXPECT_EQ(desktop.Events(), std::vector<std::string>{"+button1"}) << "let go before the second lock";
    run.Line().Write(kLock);
    ASSERT_TRUE(desktop.WaitForEvents(2, 5s));
    EXPECT_EQ(desktop.Events(), (std::vector<std::string>{"+button1", "-button1"}));
    EXPECT_TRUE(std::all_of(desktop.Motions().begin(), desktop.Motions().end(), [](const auto& motion) {
        return (motion.second & Button1Mask) != 0;
    })) << "a motion of the drag without the left button";

    // A left click while the lock holds the button lets it go first; the wheels one notch each
    // (up, down, left, right); the middle button.
    warpAndClear(100, 400);
    run.Line().Write(kLock + kClick + "\x16\x17\x18\x19" + kMiddle);
    ASSERT_TRUE(desktop.WaitForEvents(14, 5s));
    std::string pressed;
    for (const std::string& event : desktop.Events()) {
        pressed += event.substr(0, 1) + event.substr(7) + " ";
    }
    EXPECT_EQ(pressed, "+1 -1 +1 -1 +4 -4 +5 -5 +6 -6 +7 -7 +2 -2 ");

    // A movement starts at half the increments (2) and doubles them by the set time; then faster,
    // faster again and slower three times change the running movement's step.
    warpAndClear(100, 500);
    run.Line().Write(kEast);
    ASSERT_TRUE(desktop.WaitUntil([&] { return !desktop.Motions().empty(); }, 5s));
    EXPECT_EQ(desktop.Motions().front().first, 1);
    for (const auto& [codes, step] : std::vector<std::pair<std::string, int>>{
             {"", 4}, {kFaster, 8}, {kFaster, 16}, {kSlower + kSlower + kSlower, 2}}) {
        run.Line().Write(codes);
        desktop.WaitUntil([] { return false; }, 150ms);
        desktop.Clear();
        desktop.WaitUntil([&] { return desktop.Motions().size() > 10; }, 5s);
        EXPECT_EQ(desktop.Motions().back().first, step) << "after " << codes.size() << " codes";
    }
    run.Line().Write(kStop);
    EXPECT_TRUE(tipHas("\nSpeed: half"));

    // Unplugged while the pointer moves with the button locked: the movement stops, the button is
    // let go, the tip waits for the port, and the program idles.
    warpAndClear(100, 400);
    run.Line().Write(kLock + kEast);
    ASSERT_TRUE(desktop.WaitUntil([&] { return desktop.Motions().size() > 5; }, 5s));
    run.Line().CloseFarEnd();
    EXPECT_TRUE(desktop.WaitForEvents(2, 5s));
    EXPECT_EQ(desktop.Events(), (std::vector<std::string>{"+button1", "-button1"}));
    EXPECT_TRUE(tipHas("\nWaiting for COM7: to come back")) << run.TrayTip();
    EXPECT_TRUE(PointerRests(desktop)) << "the pointer kept moving after the device went away";
    const auto rest = desktop.Pointer();
    ASSERT_TRUE(run.Program().Running()) << "the program ended when its device went away";
    const double cpuBefore = CpuMilliseconds(run.Program().Pid());
    std::this_thread::sleep_for(1s);
    EXPECT_LT(CpuMilliseconds(run.Program().Pid()) - cpuBefore, 100.0) << "CPU time used in one second";
    EXPECT_EQ(desktop.Pointer(), rest) << "the pointer moved again";

    // Plugged in again at the same path: connected within two seconds with no window on screen,
    // and the device's bytes work again.
    run.ReplaceLine();
    const auto plugged = std::chrono::steady_clock::now();
    ASSERT_TRUE(tipHas("\nConnected to COM7: at 2400\n")) << run.TrayTip();
    EXPECT_LT(std::chrono::steady_clock::now() - plugged, 2s);
    EXPECT_FALSE(windowShown()) << "a window came up on reconnecting";
    warpAndClear(100, 400);
    run.Line().Write(kMiddle);
    ASSERT_TRUE(desktop.WaitForEvents(2, 5s));
    EXPECT_EQ(desktop.Events(), (std::vector<std::string>{"+button2", "-button2"}));

    // The keyboard's keys: virtual keys through the escape sequence, Ctrl and Alt latched for one
    // key or locked over several (Alt held over two Tabs), as the tip shows; Ctrl locked up to the end.
    struct Keys {
        std::string bytes;
        std::vector<std::string> events;
        const char* tip;  // what the tooltip then says of the modifiers
    };
    for (const Keys& step : std::vector<Keys>{
             {kCtrl, {}, "\nCtrl: once"},
             {"c", {"+Control_L", "+c", "-c", "-Control_L"}, nullptr},
             {kAlt + "\033A368", {"+Alt_L", "+F1", "-F1", "-Alt_L"}, nullptr},
             {"\033A293\033A302", {"+Left", "-Left", "+Delete", "-Delete"}, nullptr},
             {kAlt + kAlt, {"+Alt_L"}, "\nAlt: locked"},
             {"\t\t" + kAlt, {"+Tab", "-Tab", "+Tab", "-Tab", "-Alt_L"}, nullptr},
             {kCtrl + kCtrl, {"+Control_L"}, "\nCtrl: locked"},
         }) {
        desktop.Clear();
        run.Line().Write(step.bytes);
        desktop.WaitForEvents(step.events.size(), 5s);
        desktop.WaitUntil([] { return false; }, 100ms);
        EXPECT_EQ(desktop.Events(), step.events) << step.bytes;
        if (step.tip != nullptr) {
            EXPECT_TRUE(tipHas(step.tip)) << run.TrayTip();
        }
    }

    // Started again (from the menu, say) while it runs: the running copy shows its window and the
    // new one ends at once, leaving the log, the port and the icon to the first.
    const std::string logBefore = run.Log();
    EXPECT_EQ(run.StartCopy()->WaitForExit(10s), std::optional<int>(0)) << "the second copy did not end";
    EXPECT_NE(looker.WaitShown("Quillmotion : Properties"), 0u) << "the running copy did not show its window";
    EXPECT_EQ(run.Log().substr(0, logBefore.size()), logBefore) << "the second copy touched the log";
    EXPECT_TRUE(tipHas(connected));

    // Ended (the ways to end it are the device-alone test's): nothing is left held, the line is
    // released and the log runs to the unload (how it starts is the start-up test's).
    ::kill(run.Program().Pid(), SIGTERM);
    EXPECT_EQ(run.Program().WaitForExit(10s), std::optional<int>(0));
    EXPECT_EQ(desktop.Held(), "") << "held after the program ended";
    for (const std::string& folder : lockDirs) {
        EXPECT_FALSE(fs::exists(fs::path(folder) / LockFileName(run.DevicePath())))
            << "the port's lock file is left behind in " << folder;
    }
    const std::vector<std::string> log = Lines(run.Log());
    ASSERT_FALSE(log.empty());
    EXPECT_NE(run.Log().find("frmSerial.OpenPort:: Opening Port COM7: - with settings : 2400,n,8,1"),
              std::string::npos);
    EXPECT_NE(log.back().find("frmSerial.Form_Unload:Method Exit"), std::string::npos) << log.back();
}
