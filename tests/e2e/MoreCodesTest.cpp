// The codes beyond the thirteen in the built program, looked at from a second X client: a drag
// with the button lock, the wheels and the middle button, the speed levels and acceleration as
// the distance between pointer motions, and a device unplugged and plugged in again.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "settings/RegistryApi.h"
#include "support/gui/LaunchedProgram.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

using namespace std::chrono_literals;
using namespace qm;
using namespace qm::test;

namespace {

// A full-screen window that records button presses and releases ("+2", "-2") and the pointer's
// motions with the buttons held during each.
class PointerWatch {
public:
    struct Motion {
        int x;
        unsigned state;
    };

    explicit PointerWatch(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
        const Window root = DefaultRootWindow(display_);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
        window_ = XCreateWindow(display_, root, 0, 0, static_cast<unsigned>(DisplayWidth(display_, 0)),
                                static_cast<unsigned>(DisplayHeight(display_, 0)), 0, CopyFromParent,
                                InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
        XMapRaised(display_, window_);
        XEvent event;
        XWindowEvent(display_, window_, StructureNotifyMask, &event);
    }
    ~PointerWatch() { XCloseDisplay(display_); }

    void Warp(int x, int y) {
        XWarpPointer(display_, 0, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
        XSync(display_, False);
        Read(50ms);
        Clear();
    }
    // Reads events for a while; until done() holds when given.
    bool Read(std::chrono::milliseconds time, const std::function<bool()>& done = {}) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == ButtonPress || event.type == ButtonRelease) {
                    buttons_.push_back((event.type == ButtonPress ? "+" : "-") +
                                       std::to_string(event.xbutton.button));
                } else if (event.type == MotionNotify) {
                    motions_.push_back({event.xmotion.x_root, event.xmotion.state});
                }
            }
            if (done && done()) {
                return true;
            }
            std::this_thread::sleep_for(5ms);
        }
        return !done;
    }
    bool WaitButtons(std::size_t count) {
        return Read(5s, [&] { return buttons_.size() >= count; });
    }
    // The distances between the last motions (after the given number of them has come).
    std::vector<int> LastSteps(std::size_t count) {
        motions_.clear();
        Read(5s, [&] { return motions_.size() > count; });
        std::vector<int> steps;
        for (std::size_t i = 1; i < motions_.size(); ++i) {
            steps.push_back(motions_[i].x - motions_[i - 1].x);
        }
        return steps;
    }
    void Clear() {
        buttons_.clear();
        motions_.clear();
    }
    const std::vector<std::string>& Buttons() const { return buttons_; }
    const std::vector<Motion>& Motions() const { return motions_; }

private:
    Display* display_;
    Window window_ = 0;
    std::vector<std::string> buttons_;
    std::vector<Motion> motions_;
};

const std::string kLock = "\x14", kMiddle = "\x15", kUp = "\x16", kDown = "\x17", kLeft = "\x18",
                  kRight = "\x19", kFaster = "\x1a", kSlower = "\x1c", kEast = "\x02", kStop = "\x0c";

LaunchOptions MoreCodes(std::vector<std::tuple<std::string, std::string, unsigned, std::string>> more = {}) {
    LaunchOptions options{
        .connectOnStart = true, .tracing = false, .movementDelay = 10, .reconnect = true, .values = {}};
    options.values = {{"Mouse\\Buttons", "LEFT_LOCK_ASCII", REG_DWORD, "20"},
                      {"Mouse\\Buttons", "MIDDLE_SCLICK_ASCII", REG_DWORD, "21"},
                      {"Mouse\\Buttons", "WHEEL_UP_ASCII", REG_DWORD, "22"},
                      {"Mouse\\Buttons", "WHEEL_DOWN_ASCII", REG_DWORD, "23"},
                      {"Mouse\\Buttons", "WHEEL_LEFT_ASCII", REG_DWORD, "24"},
                      {"Mouse\\Buttons", "WHEEL_RIGHT_ASCII", REG_DWORD, "25"},
                      {"Mouse\\Movement", "FASTER_ASCII", REG_DWORD, "26"},
                      {"Mouse\\Movement", "SLOWER_ASCII", REG_DWORD, "28"}};
    options.values.insert(options.values.end(), more.begin(), more.end());
    return options;
}

}  // namespace

TEST(MoreCodes, DragWheelMiddleSpeedLevelsAndReconnecting) {
    QM_SKIP_WITHOUT_DESKTOP();
    LaunchedProgram run(MoreCodes());
    PointerWatch watch(run.Display());
    run.Start();
    ASSERT_TRUE(run.WaitConnected()) << run.Output();
    const std::string connected = "Quillmotion Enabled\nConnected to COM7: at 2400\n";

    // Lock, East, Stop, lock: a drag. The button stays down through the stop.
    watch.Warp(100, 400);
    run.Line().Write(kLock + kEast);
    ASSERT_TRUE(watch.Read(5s, [&] { return watch.Motions().size() > 5; }));
    EXPECT_TRUE(
        Eventually([&] { return run.TrayTip().find("\nLeft button held down") != std::string::npos; }));
    run.Line().Write(kStop);
    watch.Read(200ms);
    run.Line().Write(kLock);
    ASSERT_TRUE(watch.WaitButtons(2));
    EXPECT_EQ(watch.Buttons(), (std::vector<std::string>{"+1", "-1"}));
    for (const PointerWatch::Motion& motion : watch.Motions()) {
        EXPECT_NE(motion.state & Button1Mask, 0u) << "a motion of the drag without the left button";
    }

    // The wheels one notch each, then the middle button.
    watch.Clear();
    run.Line().Write(kUp + kDown + kLeft + kRight + kMiddle);
    ASSERT_TRUE(watch.WaitButtons(10));
    EXPECT_EQ(watch.Buttons(),
              (std::vector<std::string>{"+4", "-4", "+5", "-5", "+6", "-6", "+7", "-7", "+2", "-2"}));

    // Faster twice and slower three times change the step of a running movement: 2, 4, 8, then 1.
    watch.Warp(100, 500);
    run.Line().Write(kEast);
    for (const auto& [code, step] : std::vector<std::pair<std::string, int>>{
             {"", 2}, {kFaster, 4}, {kFaster, 8}, {kSlower + kSlower + kSlower, 1}}) {
        if (step == 1) {
            run.Line().Write(kStop);
            watch.Warp(100, 500);
            run.Line().Write(code + kEast);
        } else {
            run.Line().Write(code);
        }
        watch.Read(100ms);
        const std::vector<int> steps = watch.LastSteps(10);
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back(), step) << "after " << code.size() << " speed codes";
    }
    run.Line().Write(kStop);
    EXPECT_TRUE(Eventually([&] { return run.TrayTip().find("\nSpeed: half") != std::string::npos; }));

    // Unplugged: the tip waits for the port. Plugged in again at the same path: connected within
    // two seconds with no window on screen, and the device's bytes work again.
    run.Line().CloseFarEnd();
    EXPECT_TRUE(Eventually([&] {
        return run.TrayTip().rfind("Quillmotion Enabled\nWaiting for COM7: to come back", 0) == 0;
    })) << run.TrayTip();
    run.ReplaceLine();
    const auto plugged = std::chrono::steady_clock::now();
    ASSERT_TRUE(Eventually([&] { return run.TrayTip().rfind(connected, 0) == 0; }, 5s)) << run.TrayTip();
    EXPECT_LT(std::chrono::steady_clock::now() - plugged, 2s);
    const auto window = run.Desktop().FindNamed("Quillmotion : Properties");
    EXPECT_TRUE(!window || !run.Desktop().Viewable(window->first)) << "a window came up on reconnecting";
    watch.Clear();
    run.Line().Write(kMiddle);
    ASSERT_TRUE(watch.WaitButtons(2));
    EXPECT_EQ(watch.Buttons(), (std::vector<std::string>{"+2", "-2"}));
}

TEST(MoreCodes, AccelerationGrowsTheStepToTheMaximumWithinTheSetTime) {
    QM_SKIP_WITHOUT_DESKTOP();
    LaunchedProgram run(MoreCodes({{"Mouse\\Movement", "Acceleration", REG_DWORD, "1"},
                                   {"Mouse\\Movement", "AccelerationMaximum", REG_DWORD, "4"},
                                   {"Mouse\\Movement", "AccelerationTime", REG_DWORD, "500"}}));
    PointerWatch watch(run.Display());
    run.Start();
    ASSERT_TRUE(run.WaitConnected()) << run.Output();
    watch.Warp(20, 400);
    run.Line().Write(kEast);
    watch.Read(800ms);
    run.Line().Write(kStop);
    const std::vector<PointerWatch::Motion> motions = watch.Motions();
    ASSERT_GT(motions.size(), 10u);
    EXPECT_EQ(motions.front().x - 20, 2) << "a movement starts at the increments";
    std::vector<int> steps;
    for (std::size_t i = 1; i < motions.size(); ++i) {
        steps.push_back(motions[i].x - motions[i - 1].x);
    }
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end())) << "the steps did not only grow";
    EXPECT_EQ(steps.back(), 8) << "the step 300 ms after the set time";
}
