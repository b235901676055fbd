#pragma once

#include <cstdint>
#include <functional>

namespace qm {

// A window timer: a millisecond interval, an enabled flag and a tick on the UI thread.
// Setting Enabled to true (re)starts the interval; a tick never runs while disabled.
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
