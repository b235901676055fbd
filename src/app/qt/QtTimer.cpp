#include "app/qt/QtTimer.h"

#include "diag/RaisedError.h"

namespace qm {

namespace {

constexpr std::int32_t kInvalidPropertyValue = 380;

}  // namespace

QtTimer::QtTimer() {
    // Movement steps are a few milliseconds apart: the coarse kind would stretch them.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Tick(); });
}

void QtTimer::SetInterval(std::int32_t milliseconds) {
    if (milliseconds < 0 || milliseconds > kMaxInterval) {
        throw RaisedError(kInvalidPropertyValue, "QtTimer",
                          "Invalid property value: timer interval " + std::to_string(milliseconds));
    }
    // The movement engine sets the same interval and enables the timer again at every step.
    // Restarting a running timer each time would add the step's own cost to every period and
    // slow the pointer; a running timer keeps its cadence unless something really changed.
    if (milliseconds == interval_) {
        return;
    }
    interval_ = milliseconds;
    Restart();
}

void QtTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    Restart();
}

void QtTimer::Restart() {
    // A QTimer of 0 ms would fire at every pass of the event loop.
    if (enabled_ && interval_ > 0) {
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}

void QtTimer::Tick() {
    if (enabled_ && interval_ > 0 && onTick_) {
        onTick_();
    }
}

}  // namespace qm
