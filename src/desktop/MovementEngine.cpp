#include "desktop/MovementEngine.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <utility>

#include "desktop/Acceleration.h"
#include "desktop/Rounding.h"
#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"

namespace qm {
namespace {

constexpr const char* kMoveMouse = "frmSerial.MoveMouse";
constexpr const char* kStopMouse = "frmSerial.StopMouse";
constexpr const char* kTimer = "frmSerial.tmrMouseMovement_Timer";

constexpr std::int32_t kStartInterval = 20;
constexpr std::int32_t kLargestInterval = 65535;
// What a window timer answers to an interval it cannot take.
constexpr std::int32_t kInvalidPropertyValue = 380;
// The right and bottom limits of the bounce lie this far inside the screen.
constexpr std::int32_t kEdgeMargin = 10;
// The speed levels; the second is normal.
constexpr std::array<float, 4> kSpeedFactors = {0.5F, 1.0F, 2.0F, 4.0F};

std::int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

MovementEngine::MovementEngine(Desktop& desktop, Timer& tmrMouseMovement, EventPump& pump,
                               const SettingsRecord& settings, WorkingValuesSource working)
    : desktop_(desktop),
      timer_(tmrMouseMovement),
      pump_(pump),
      settings_(settings),
      working_(std::move(working)),
      now_(SteadyMilliseconds) {
    timer_.SetEnabled(false);
    timer_.SetInterval(kStartInterval);
    timer_.SetOnTick([this] { tmrMouseMovement_Timer(); });
}

MovementEngine::~MovementEngine() {
    timer_.SetEnabled(false);
    timer_.SetOnTick(nullptr);
}

std::int32_t MovementEngine::TimerInterval(float movementDelay) {
    const std::int32_t interval = RoundToInt32(static_cast<double>(movementDelay));
    if (interval < 0 || interval > kLargestInterval) {
        throw RaisedError(kInvalidPropertyValue, "frmSerial", "Invalid property value");
    }
    return interval;
}

bool MovementEngine::MoveMouse(std::int32_t x, std::int32_t y) {
    return Move(x, y, true);
}

bool MovementEngine::Move(std::int32_t x, std::int32_t y, bool forCode) {
    return Traced(kMoveMouse, false, [&] {
        const std::uint64_t generation = forCode ? ++generation_ : generation_;
        pump_.DoEvents();
        if (generation_ != generation) {
            // A newer code (or a stop) ran while events were pending; its step and timer stand,
            // and this older step is not made at all.
            return true;
        }
        if (forCode) {
            movementStart_ = now_();
            carryX_.Reset();
            carryY_.Reset();
        }
        if (settings_.Acceleration() == 1) {
            // A slow start goes below a pixel per step: the fractions add up rather than each
            // step being made at least a pixel, which would set the start speed instead.
            const double factor = static_cast<double>(SpeedFactor()) * AccelerationFactor();
            const std::int32_t dx = carryX_.Take(x * factor);
            const std::int32_t dy = carryY_.Take(y * factor);
            if (dx != 0 || dy != 0) {
                InputBatch step(&desktop_);
                desktop_.MoveBy(dx, dy);
            }
        } else {
            const float factor = SpeedFactor();
            InputBatch step(&desktop_);
            desktop_.MoveBy(Scaled(x, factor), Scaled(y, factor));
        }
        stepX_ = x;
        stepY_ = y;
        const MovementWorkingValues working = working_ ? working_() : MovementWorkingValues{};
        timer_.SetInterval(TimerInterval(working.MovementDelay));
        timer_.SetEnabled(true);
        return true;
    });
}

void MovementEngine::Faster() {
    speedLevel_ = std::min(speedLevel_ + 1, kSpeedFactors.size() - 1);
}

void MovementEngine::Slower() {
    speedLevel_ = speedLevel_ == 0 ? 0 : speedLevel_ - 1;
}

float MovementEngine::SpeedFactor() const {
    return kSpeedFactors[speedLevel_];
}

double MovementEngine::AccelerationFactor() const {
    if (settings_.Acceleration() != 1) {
        return 1.0;
    }
    const AccelerationCurve curve(settings_.AccelerationStart(), settings_.AccelerationMaximum(),
                                  settings_.AccelerationTime());
    return curve.Factor(static_cast<double>(now_() - movementStart_));
}

// A step keeps its direction and at least one pixel, however slow the level.
std::int32_t MovementEngine::Scaled(std::int32_t step, float factor) const {
    if (factor == 1.0F || step == 0) {
        return step;
    }
    const std::int32_t size = std::max<std::int32_t>(
        1, RoundToInt32(std::abs(static_cast<double>(step)) * static_cast<double>(factor)));
    return step < 0 ? -size : size;
}

bool MovementEngine::StopMouse() {
    return Traced(kStopMouse, false, [&] {
        const std::uint64_t generation = ++generation_;
        pump_.DoEvents();
        if (generation_ == generation) {
            stepX_ = 0;
            stepY_ = 0;
            timer_.SetEnabled(false);
        }
        return true;
    });
}

void MovementEngine::tmrMouseMovement_Timer() {
    try {
        if (settings_.BouncyMouse() == 1) {
            Bounce();
        }
        Move(stepX_, stepY_, false);
    } catch (...) {
        Trace(kTimer, TraceError, TrappedErrorDescription());
    }
}

// Looks at where the previous step left the pointer, before this tick's step.
void MovementEngine::Bounce() {
    const Point position = desktop_.PointerPosition();
    const Size screen = desktop_.ScreenSize();
    const std::int32_t width = screen.width - kEdgeMargin;
    const std::int32_t height = screen.height - kEdgeMargin;
    const bool insideX = 0 < position.x && position.x < width;
    const bool insideY = 0 < position.y && position.y < height;
    const MovementWorkingValues working = working_ ? working_() : MovementWorkingValues{};

    std::int32_t x = stepX_;
    std::int32_t y = stepY_;
    if (working.BouncyMouseAngle == 90) {
        // Reflection per axis: a side wall turns only the horizontal motion, a corner both.
        if (!insideX) {
            x = NegateStep(x);
        }
        if (!insideY) {
            y = NegateStep(y);
        }
    } else if (!insideX || !insideY) {
        // Every other angle goes back the way it came.
        x = NegateStep(x);
        y = NegateStep(y);
    }
    stepX_ = x;
    stepY_ = y;
}

}  // namespace qm
