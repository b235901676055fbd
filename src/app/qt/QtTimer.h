#pragma once

#include <QTimer>

#include <cstdint>
#include <functional>

#include "loop/Timer.h"

namespace qm {

// A window timer over QTimer, ticking on the thread that owns it. Interval 0 never ticks,
// as a window timer with no interval does not.
class QtTimer : public Timer {
public:
    static constexpr std::int32_t kMaxInterval = 65535;

    QtTimer();
    ~QtTimer() override = default;
    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

    // Throws RaisedError (380, invalid property value) outside 0..65535.
    void SetInterval(std::int32_t milliseconds) override;
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }
    void SetOnTick(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

private:
    void Restart();
    void Tick();

    QTimer timer_;
    std::int32_t interval_ = 0;
    bool enabled_ = false;
    std::function<void()> onTick_;
};

}  // namespace qm
