#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "loop/Timer.h"

namespace qm::test {

// A window timer that ticks only when the test says so, and keeps the backends' promises: no
// tick while disabled, and an interval of 0 never ticks.
class ManualTimer : public Timer {
public:
    void SetInterval(std::int32_t milliseconds) override { interval_ = milliseconds; }
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }
    void SetOnTick(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

    // One tick, if a real timer would give one now. True when it ran.
    bool Fire() {
        if (!enabled_ || interval_ <= 0 || !onTick_) {
            return false;
        }
        onTick_();
        return true;
    }
    bool HasTickHandler() const { return static_cast<bool>(onTick_); }

private:
    std::int32_t interval_ = 0;
    bool enabled_ = false;
    std::function<void()> onTick_;
};

}  // namespace qm::test
