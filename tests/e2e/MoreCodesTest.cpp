// The codes beyond the thirteen in the built program, looked at from a second X client: a drag
// with the button lock, the wheels and the middle button, acceleration and the speed levels as
// the distance between pointer motions, and a device unplugged and plugged in again.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "settings/RegistryApi.h"
#include "support/gui/LaunchedProgram.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <functional>
#include <thread>

using namespace std::chrono_literals;
using namespace qm::test;
using qm::REG_DWORD;

namespace {

// A full-screen window on top that records button presses and releases ("+2", "-2") and each
// motion's horizontal step with the buttons held during it.
struct PointerWatch {
    explicit PointerWatch(const std::string& name) : display(XOpenDisplay(name.c_str())) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
        const Window window = XCreateWindow(
            display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(DisplayWidth(display, 0)),
            static_cast<unsigned>(DisplayHeight(display, 0)), 0, CopyFromParent, InputOutput, CopyFromParent,
            CWOverrideRedirect | CWEventMask, &attributes);
        XMapRaised(display, window);  // no window manager: mapped at once
        XSync(display, False);
    }
    ~PointerWatch() { XCloseDisplay(display); }

    // Takes in the events that have arrived.
    void Drain() {
        for (XEvent event; XPending(display) > 0;) {
            XNextEvent(display, &event);
            if (event.type == ButtonPress || event.type == ButtonRelease) {
                buttons.push_back((event.type == ButtonPress ? "+" : "-") +
                                  std::to_string(event.xbutton.button));
            } else if (event.type == MotionNotify) {
                motions.push_back({event.xmotion.x_root - x, event.xmotion.state});
                x = event.xmotion.x_root;
            }
        }
    }
    bool Until(const std::function<bool()>& done) {
        return Eventually([&] { return Drain(), done(); }, 5s);
    }
    void For(std::chrono::milliseconds time) {
        std::this_thread::sleep_for(time);
        Drain();
    }
    void WarpAndClear(int toX, int toY) {
        XWarpPointer(display, 0, DefaultRootWindow(display), 0, 0, 0, 0, toX, toY);
        XSync(display, False);
        For(50ms);
        x = toX;
        buttons.clear();
        motions.clear();
    }
    Display* display;
    std::vector<std::string> buttons;
    std::vector<std::pair<int, unsigned>> motions;
    int x = 0;
};

// Codes 20 to 25 lock, middle, wheel up, down, left, right; 26 faster, 28 slower; acceleration
// to twice the step over 150 ms.
LaunchOptions MoreCodes() {
    std::vector<std::tuple<std::string, std::string, unsigned, std::string>> values = {
        {"Mouse\\Movement", "Acceleration", REG_DWORD, "1"},
        {"Mouse\\Movement", "AccelerationMaximum", REG_DWORD, "2"},
        {"Mouse\\Movement", "AccelerationTime", REG_DWORD, "150"}};
    const char* const names[] = {"LEFT_LOCK",  "MIDDLE_SCLICK", "WHEEL_UP", "WHEEL_DOWN",
                                 "WHEEL_LEFT", "WHEEL_RIGHT",   "FASTER",   "SLOWER"};
    for (int i = 0; i < 8; ++i) {
        values.emplace_back(i < 6 ? "Mouse\\Buttons" : "Mouse\\Movement", std::string(names[i]) + "_ASCII",
                            REG_DWORD, std::to_string(i < 7 ? 20 + i : 28));
    }
    return {
        .connectOnStart = true, .tracing = false, .movementDelay = 10, .reconnect = true, .values = values};
}

const std::string kEast = "\x02", kStop = "\x0c", kLock = "\x14", kMiddle = "\x15", kFaster = "\x1a",
                  kSlower = "\x1c";

}  // namespace

TEST(MoreCodes, DragWheelMiddleSpeedLevelsAccelerationAndReconnecting) {
    QM_SKIP_WITHOUT_DESKTOP();
    LaunchedProgram run(MoreCodes());
    PointerWatch watch(run.Display());
    run.Start();
    ASSERT_TRUE(run.WaitConnected()) << run.Output();
    const auto tipHas = [&](const std::string& text) {
        return Eventually([&] { return run.TrayTip().find(text) != std::string::npos; });
    };

    // Lock, East, Stop, lock: a drag; the button stays down through the stop.
    watch.WarpAndClear(100, 400);
    run.Line().Write(kLock + kEast);
    ASSERT_TRUE(watch.Until([&] { return watch.motions.size() > 5; }));
    EXPECT_TRUE(tipHas("\nLeft button held down"));
    run.Line().Write(kStop);
    watch.For(200ms);
    EXPECT_EQ(watch.buttons, std::vector<std::string>{"+1"}) << "let go before the second lock";
    run.Line().Write(kLock);
    ASSERT_TRUE(watch.Until([&] { return watch.buttons.size() >= 2; }));
    EXPECT_EQ(watch.buttons, (std::vector<std::string>{"+1", "-1"}));
    EXPECT_TRUE(std::all_of(watch.motions.begin(), watch.motions.end(), [](const auto& motion) {
        return (motion.second & Button1Mask) != 0;
    })) << "a motion of the drag without the left button";

    // A left click while the lock holds the button lets it go first; the wheels one notch each
    // (up, down, left, right); the middle button.
    watch.WarpAndClear(100, 400);
    run.Line().Write(kLock + "\x0e\x16\x17\x18\x19" + kMiddle);
    ASSERT_TRUE(watch.Until([&] { return watch.buttons.size() >= 14; }));
    EXPECT_EQ(watch.buttons, (std::vector<std::string>{"+1", "-1", "+1", "-1", "+4", "-4", "+5", "-5", "+6",
                                                       "-6", "+7", "-7", "+2", "-2"}));

    // A movement starts at the increments (2) and doubles within the set time; then faster,
    // faster again and slower three times change the running movement's step.
    watch.WarpAndClear(100, 500);
    run.Line().Write(kEast);
    ASSERT_TRUE(watch.Until([&] { return !watch.motions.empty(); }));
    EXPECT_EQ(watch.motions.front().first, 2);
    for (const auto& [codes, step] : std::vector<std::pair<std::string, int>>{
             {"", 4}, {kFaster, 8}, {kFaster, 16}, {kSlower + kSlower + kSlower, 2}}) {
        run.Line().Write(codes);
        watch.For(100ms);
        watch.motions.clear();
        watch.Until([&] { return watch.motions.size() > 10; });
        EXPECT_EQ(watch.motions.back().first, step) << "after " << codes.size() << " codes";
    }
    run.Line().Write(kStop);
    EXPECT_TRUE(tipHas("\nSpeed: half"));

    // Unplugged with the button locked: it is let go and the tip waits for the port. Plugged in
    // again at the same path: connected within two seconds with no window on screen, and the
    // device's bytes work again.
    watch.WarpAndClear(100, 400);
    run.Line().Write(kLock);
    ASSERT_TRUE(watch.Until([&] { return watch.buttons.size() == 1; }));
    run.Line().CloseFarEnd();
    EXPECT_TRUE(watch.Until([&] { return watch.buttons == std::vector<std::string>{"+1", "-1"}; }));
    EXPECT_TRUE(tipHas("\nWaiting for COM7: to come back")) << run.TrayTip();
    run.ReplaceLine();
    const auto plugged = std::chrono::steady_clock::now();
    ASSERT_TRUE(tipHas("\nConnected to COM7: at 2400\n")) << run.TrayTip();
    EXPECT_LT(std::chrono::steady_clock::now() - plugged, 2s);
    const auto window = run.Desktop().FindNamed("Quillmotion : Properties");
    EXPECT_TRUE(!window || !run.Desktop().Viewable(window->first)) << "a window came up on reconnecting";
    watch.WarpAndClear(100, 400);
    run.Line().Write(kMiddle);
    ASSERT_TRUE(watch.Until([&] { return watch.buttons.size() >= 2; }));
    EXPECT_EQ(watch.buttons, (std::vector<std::string>{"+2", "-2"}));
}
