// The pointer's two parts on a desktop in memory: the movement engine and the click emulation.
#include "desktop/ClickEmulation.h"
#include "desktop/MovementEngine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "diag/RaisedError.h"
#include "support/CoreManualTimer.h"
#include "support/CoreScriptedPump.h"
#include "support/Raised.h"
#include "support/TraceCapture.h"
#include "support/fakes/RecordingDesktop.h"

namespace qm {
namespace {

using Step = RecordingDesktop::Step;

class MovementTest : public ::testing::Test {
protected:
    MovementTest() { working.MovementDelay = 20; }

    std::vector<Step> Moves() const { return desktop.Moves(); }

    RecordingDesktop desktop{1024, 768};
    test::ManualTimer timer;
    test::ScriptedPump pump;
    SettingsRecord settings;
    MovementWorkingValues working;
    std::unique_ptr<MovementEngine> engine =
        std::make_unique<MovementEngine>(desktop, timer, pump, settings, [this] { return working; });
};

// Each step is a write of its own; an engine that goes lets go of the timer, moving or not.
TEST_F(MovementTest, StepsGoOutAtOnceAndTheTimerIsLetGo) {
    ASSERT_TRUE(engine->MoveMouse(2, -2));
    ASSERT_TRUE(timer.Fire());
    EXPECT_EQ(desktop.Writes(), 2);
    EXPECT_EQ(desktop.Log(), "move 2,-2 move 2,-2 ");
    engine.reset();
    EXPECT_FALSE(timer.HasTickHandler());
    EXPECT_FALSE(timer.Enabled());
}

TEST_F(MovementTest, IntervalRoundsHalvesToEvenWithinTheTimerLimits) {
    for (const auto& [delay, interval] :
         {std::pair{2.5f, 2}, {3.5f, 4}, {0.5f, 0}, {2.4f, 2}, {65535.0f, 65535}}) {
        EXPECT_EQ(MovementEngine::TimerInterval(delay), interval) << delay;
    }
    constexpr std::int32_t kInvalid = 380;  // invalid property value
    const float nan = std::numeric_limits<float>::quiet_NaN(),
                infinity = std::numeric_limits<float>::infinity();
    for (const auto& [delay, error] : {std::pair{65536.0f, kInvalid},
                                       {-0.6f, kInvalid},
                                       {3e9f, err::Overflow},
                                       {nan, err::Overflow},
                                       {infinity, err::Overflow}}) {
        EXPECT_EQ(test::RaisedBy([delay = delay] { MovementEngine::TimerInterval(delay); }).number, error)
            << delay;
    }

    // The working delay is read at the moment of use, not when the movement started; the tick
    // itself is silent.
    test::TraceCapture trace;
    working.MovementDelay = 32.5f;
    ASSERT_TRUE(engine->MoveMouse(1, 0));
    EXPECT_EQ(timer.Interval(), 32);
    working.MovementDelay = 45;
    ASSERT_TRUE(timer.Fire());
    EXPECT_EQ(timer.Interval(), 45);
    EXPECT_EQ(Moves(), (std::vector<Step>{{1, 0}, {1, 0}}));
    EXPECT_FALSE(trace.Contains("tmrMouseMovement_Timer"));
}

TEST_F(MovementTest, ErrorsMoveOnceAndLeaveTheTimer) {
    test::TraceCapture trace;
    working.MovementDelay = 70000;
    EXPECT_FALSE(engine->MoveMouse(4, 0));
    EXPECT_EQ(Moves(), (std::vector<Step>{{4, 0}}));  // the pointer did move once
    EXPECT_FALSE(timer.Enabled());                    // but this call started no timer
    EXPECT_TRUE(trace.Contains("frmSerial.MoveMouse:#Method Exit Error#: Invalid property value"));

    // Already moving: the failing tick keeps the timer as it was, and the next tick tries again.
    working.MovementDelay = 10;
    ASSERT_TRUE(engine->MoveMouse(0, 4));
    working.MovementDelay = 1e12f;
    EXPECT_TRUE(timer.Fire());
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 10);
    EXPECT_TRUE(trace.Contains("frmSerial.MoveMouse:#Method Exit Error#: Overflow"));

    // A step that cannot be turned at the edge, pushed hard against it: the tick's own error, and
    // the timer stays on.
    settings.BouncyMouse(1);
    working.BouncyMouseAngle = 90;
    working.MovementDelay = 10;
    ASSERT_TRUE(engine->MoveMouse(std::numeric_limits<std::int32_t>::min(), 0));
    desktop.Clear();
    EXPECT_TRUE(timer.Fire());
    EXPECT_TRUE(trace.Contains("frmSerial.tmrMouseMovement_Timer:#Method Exit Error#: Overflow"));
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(desktop.EventCount(), 0u);
}

TEST_F(MovementTest, BounceRuleOnEveryEdgeAndCorner) {
    // 1024 x 768: the limits are 0 and 1014 across, 0 and 758 down. Where the pointer is, the step,
    // and the step after the tick at 90 and at 180 degrees.
    const std::tuple<const char*, Point, Step, Step, Step> cases[] = {
        {"inside near the corner", {1, 1}, {-5, -5}, {-5, -5}, {-5, -5}},
        {"just inside the right limit", {1013, 300}, {5, 5}, {5, 5}, {5, 5}},
        {"right limit", {1014, 300}, {5, 5}, {-5, 5}, {-5, -5}},
        {"left edge", {0, 300}, {-5, 5}, {5, 5}, {5, -5}},
        {"top edge", {500, 0}, {5, -5}, {5, 5}, {-5, 5}},
        {"bottom limit", {500, 758}, {5, 5}, {5, -5}, {-5, -5}},
        {"bottom right corner", {1020, 760}, {5, 5}, {-5, -5}, {-5, -5}},
        {"north only at the left edge", {0, 300}, {0, -5}, {0, -5}, {0, 5}}};
    // Only exactly 1 turns bouncing on; without it a pointer held at an edge keeps stepping.
    for (const int bouncy : {1, 0, 2}) {
        settings.BouncyMouse(static_cast<std::int16_t>(bouncy));
        for (const std::int16_t angle : {std::int16_t{90}, std::int16_t{180}, std::int16_t{45}}) {
            for (const auto& [where, position, step, at90, at180] : cases) {
                SCOPED_TRACE(std::string(where) + " at " + std::to_string(angle) + ", switch " +
                             std::to_string(bouncy));
                working.BouncyMouseAngle = angle;
                ASSERT_TRUE(engine->MoveMouse(step.x, step.y));
                desktop.SetPointerPosition(position);
                desktop.Clear();
                ASSERT_TRUE(timer.Fire());
                const Step expected = bouncy != 1 ? step : angle == 90 ? at90 : at180;
                EXPECT_EQ(Moves(), (std::vector<Step>{expected}));
                EXPECT_EQ((Step{engine->StepX(), engine->StepY()}), expected);
            }
        }
    }
}

// With acceleration on, a movement starts at its share of the step and grows in a straight line to
// the top speed at the set time; fractions of a pixel add up rather than stall or round up. Off,
// every step is the step. From the left edge, a step of 2 every 2 ms: on, start %, top, time,
// ticks, then the distance gone and the factor at the last tick.
TEST_F(MovementTest, AccelerationStartsAtItsShareAndGrowsToTheTopAtTheSetTime) {
    const std::tuple<const char*, std::int16_t, std::int16_t, std::int16_t, std::int32_t, int, int, double>
        cases[] = {
            {"off: the start share does nothing", 0, 25, 4, 1000, 50, 102, 1.0},
            {"the set speed on the way", 1, 25, 4, 1000, 100, 126, 1.0},
            {"the top at the set time", 1, 25, 4, 200, 100, 429, 4.0},
            {"a fifth of a pixel per step adds up", 1, 10, 4, 1000, 5, 1, 0.139},
        };
    std::int64_t now = 0;
    engine->SetClock([&now] { return now; });
    for (const auto& [what, on, start, top, time, ticks, distance, factor] : cases) {
        SCOPED_TRACE(what);
        settings.Acceleration(on);
        settings.AccelerationStart(start);
        settings.AccelerationMaximum(top);
        settings.AccelerationTime(time);
        desktop.SetPointerPosition({0, 0});
        ASSERT_TRUE(engine->MoveMouse(2, 0));
        for (int tick = 0; tick < ticks; ++tick) {
            now += 2;
            ASSERT_TRUE(timer.Fire());
        }
        EXPECT_EQ(desktop.PointerPosition().x, distance);
        EXPECT_NEAR(engine->AccelerationFactor(), factor, 1e-9);
    }
}

// Codes handled while an older MoveMouse, StopMouse or tick waits in its pending-events call are
// newer and must stay in force; a tick is not a code and overrides nothing.
TEST_F(MovementTest, NestedNewestCodeWins) {
    const auto move = [this](std::int32_t x, std::int32_t y) {
        return [=, this] { engine->MoveMouse(x, y); };
    };
    const std::function<void()> stop = [this] { engine->StopMouse(); }, tick = [this] { timer.Fire(); };
    const std::function<void()> twoDeep = [&] {
        pump.Post(move(0, -3));
        engine->MoveMouse(8, 8);
    };
    // The movement under way ({0, 0}: none), the inner and the outer call, the moves they make and
    // the step in force after them.
    const std::tuple<const char*, Step, std::function<void()>, std::function<void()>, std::vector<Step>, Step>
        cases[] = {
            {"a stop inside a tick", {5, 0}, stop, tick, {}, {0, 0}},
            {"a direction inside a tick", {5, 0}, move(0, 7), tick, {{0, 7}}, {0, 7}},
            {"a stop inside a direction", {0, 0}, stop, move(5, 0), {}, {0, 0}},
            {"a direction two deep inside another", {0, 0}, twoDeep, move(5, 0), {{0, -3}}, {0, -3}},
            {"a direction inside a stop", {0, -3}, move(-2, 0), stop, {{-2, 0}}, {-2, 0}},
            {"a tick inside a direction", {-2, 0}, tick, move(0, 9), {{-2, 0}, {0, 9}}, {0, 9}},
            {"a tick inside a stop", {0, 9}, tick, stop, {{0, 9}}, {0, 0}},
        };
    for (const auto& [what, before, inner, outer, moves, after] : cases) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(engine->StopMouse());
        if (!(before == Step{0, 0})) {
            ASSERT_TRUE(engine->MoveMouse(before.x, before.y));
        }
        desktop.Clear();
        pump.Post(inner);
        outer();
        EXPECT_EQ(Moves(), moves);
        EXPECT_EQ((Step{engine->StepX(), engine->StepY()}), after);
        // The next tick goes on with the step in force, or there is none.
        const bool moving = !(after == Step{0, 0});
        desktop.Clear();
        EXPECT_EQ(timer.Fire(), moving);
        EXPECT_EQ(Moves(), moving ? std::vector<Step>{after} : std::vector<Step>{});
    }
}

// Every event of a click goes out together, and none moves the pointer. Events let through first
// may be a receive event that completes before the click goes out.
TEST(ClickEmulation, EachButtonAndClick) {
    const std::string LD = "left down", LU = "left up", RD = "right down", RU = "right up";
    const struct {
        MouseButton button;
        ClickCount count;
        std::vector<std::string> events;
    } cases[] = {{MouseButton::Left, ClickCount::Single, {LD, LU}},
                 {MouseButton::Left, ClickCount::Double, {LD, LU, LD, LU}},
                 {MouseButton::Right, ClickCount::Single, {RD, RU}},
                 {MouseButton::Right, ClickCount::Double, {RD, RU, RD, RU}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.events));
        RecordingDesktop desktop;
        test::ScriptedPump pump;
        ClickEmulation clicks(desktop, pump);
        pump.Post([&] { EXPECT_EQ(desktop.EventCount(), 0u) << "clicked before the pending events"; });
        ASSERT_TRUE(clicks.Click(c.button, c.count));
        EXPECT_EQ(pump.Calls(), 1);
        EXPECT_EQ(desktop.Writes(), 1);
        EXPECT_EQ(desktop.Events(), c.events) << "a click and nothing else";
    }
}

}  // namespace
}  // namespace qm
