#pragma once

#include <linux/input.h>

#include <cstdint>
#include <span>

#include "desktop/uinput/UinputCalls.h"

namespace qm::uinput {

// One virtual input device made through /dev/uinput: a relative mouse with three buttons and
// both wheels, and a keyboard with the given keys. It goes when the object goes.
class UinputDevice {
public:
    // Throws RaisedError, with what the user can do about it, when the device cannot be made.
    UinputDevice(UinputCalls& calls, std::span<const std::uint16_t> keys);
    ~UinputDevice();
    UinputDevice(const UinputDevice&) = delete;
    UinputDevice& operator=(const UinputDevice&) = delete;

    // In one call, so that another program's events cannot come between them. False when the
    // kernel did not take them all.
    bool Write(std::span<const input_event> events);

private:
    void Control(unsigned long request, unsigned long value);
    [[noreturn]] void Fail(const char* what, int error);

    UinputCalls& calls_;
    int fd_ = -1;
};

}  // namespace qm::uinput
