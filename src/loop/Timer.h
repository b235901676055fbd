#pragma once

#include <cstdint>
#include <functional>

namespace qm {

// A window timer: a millisecond interval, an enabled flag and a tick on the UI thread.
// Enabling a disabled timer, or giving it a new interval, starts the interval afresh; enabling
// a running timer or setting the interval it has already changes nothing, so a running timer
// keeps its cadence. A tick never runs while disabled.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetInterval(std::int32_t milliseconds) = 0;
    virtual std::int32_t Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetOnTick(std::function<void()> onTick) = 0;
};

}  // namespace qm
