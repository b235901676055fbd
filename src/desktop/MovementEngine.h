#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "desktop/Desktop.h"
#include "desktop/Rounding.h"
#include "loop/EventPump.h"
#include "loop/Timer.h"
#include "settings/SettingsRecord.h"

namespace qm {

// The two values of the Properties window's working copy that act on the movement at once,
// before Apply. The engine asks for them at the moment it uses them.
struct MovementWorkingValues {
    float MovementDelay = 0;
    std::int16_t BouncyMouseAngle = 0;
};

// Continuous pointer movement: one relative step at once, then one per tick of the movement timer,
// optionally turning back at the screen edges.
//
// Events run nested inside MoveMouse and StopMouse (they let pending events run first). Every
// MoveMouse or StopMouse made for a code (and every StopMouse from Disconnect or unload) is newer
// than any call still waiting in its pending-events call: when that waiting call resumes, it
// leaves the step and the timer as the newer call set them. A tick is not a code: a tick that runs
// nested inside a MoveMouse does not override it.
class MovementEngine {
public:
    using WorkingValuesSource = std::function<MovementWorkingValues()>;

    // The engine takes the timer's tick for itself and sets the timer to its start state
    // (disabled, 20 ms). Every reference must outlive the engine; the settings record is the
    // applied one (read for BouncyMouse).
    MovementEngine(Desktop& desktop, Timer& tmrMouseMovement, EventPump& pump, const SettingsRecord& settings,
                   WorkingValuesSource working);
    ~MovementEngine();
    MovementEngine(const MovementEngine&) = delete;
    MovementEngine& operator=(const MovementEngine&) = delete;

    // One step of x, y pixels now, then one per tick at the working delay. False after a trapped error.
    bool MoveMouse(std::int32_t x, std::int32_t y);
    // Step 0, 0 and the timer off.
    bool StopMouse();
    // The timer's tick (wired by the constructor; public so that the owner and benchmarks can drive it).
    void tmrMouseMovement_Timer();

    std::int32_t StepX() const { return stepX_; }
    std::int32_t StepY() const { return stepY_; }

    // Speed levels: half, normal, double and four times the step, normal at start. A change acts
    // on the next step of a movement already running, and lasts until changed again.
    void Faster();
    void Slower();
    // The present level's factor (1 is normal).
    float SpeedFactor() const;
    // With Acceleration on, the factor the running movement has grown to (1 without): from its
    // start share of the step to the top speed.
    double AccelerationFactor() const;
    // Milliseconds from a fixed point; a steady clock unless a test gives its own.
    void SetClock(std::function<std::int64_t()> now) { now_ = std::move(now); }

    // The timer interval for a working delay: rounded halves to even, 0 to 65535 ms. Raises
    // Overflow when the delay does not fit a whole number and "Invalid property value" otherwise.
    static std::int32_t TimerInterval(float movementDelay);

private:
    bool Move(std::int32_t x, std::int32_t y, bool forCode);
    std::int32_t Scaled(std::int32_t step, float factor) const;
    void Bounce();

    Desktop& desktop_;
    Timer& timer_;
    EventPump& pump_;
    const SettingsRecord& settings_;
    WorkingValuesSource working_;

    // The step the directions set (and the bounce turns); the step made is this times the
    // speed level and the acceleration.
    std::int32_t stepX_ = 0;
    std::int32_t stepY_ = 0;
    std::size_t speedLevel_ = 1;
    std::function<std::int64_t()> now_;
    std::int64_t movementStart_ = 0;  // when the running movement's direction was given
    // What the accelerated steps made so far owe or are ahead by, below a pixel.
    PixelCarry carryX_;
    PixelCarry carryY_;
    // Bumped by every MoveMouse and StopMouse; a call that finds it moved on after its
    // pending-events call has been overtaken by a newer one.
    std::uint64_t generation_ = 0;
};

}  // namespace qm
