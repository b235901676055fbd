#include "desktop/uinput/UinputDevice.h"

#include <fcntl.h>
#include <linux/uinput.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "diag/RaisedError.h"

namespace qm::uinput {
namespace {

constexpr const char* kSource = "UinputDesktop";
constexpr const char* kPath = "/dev/uinput";
constexpr const char* kName = "Quillmotion switch input";

// Hi-res wheel events beside the notches, as today's mice send them: compositors that read
// the fine axis then scroll exactly one notch per 120.
constexpr std::uint16_t kAxes[] = {REL_X, REL_Y, REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES};
constexpr std::uint16_t kButtons[] = {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE};

[[noreturn]] void Raise(const std::string& why) {
    throw RaisedError(err::InvalidProcedureCall, kSource, why);
}

}  // namespace

UinputDevice::UinputDevice(UinputCalls& calls, std::span<const std::uint16_t> keys) : calls_(calls) {
    // Not blocking: the user-interface thread writes to it.
    fd_ = calls_.Open(kPath, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENODEV || error == ENXIO) {
            Raise("the kernel has no uinput device: load the uinput module");
        }
        if (error == EACCES || error == EPERM) {
            Raise(
                "no permission on /dev/uinput: the package's udev rule gives the logged-in user access; log "
                "in again or run `sudo udevadm trigger`");
        }
        Raise(std::string("/dev/uinput cannot be opened: ") + std::strerror(error));
    }
    Control(UI_SET_EVBIT, EV_KEY);
    for (const std::uint16_t button : kButtons) {
        Control(UI_SET_KEYBIT, button);
    }
    for (const std::uint16_t key : keys) {
        Control(UI_SET_KEYBIT, key);
    }
    Control(UI_SET_EVBIT, EV_REL);
    for (const std::uint16_t axis : kAxes) {
        Control(UI_SET_RELBIT, axis);
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.version = 1;
    std::strncpy(setup.name, kName, UINPUT_MAX_NAME_SIZE - 1);
    if (calls_.Control(fd_, UI_DEV_SETUP, &setup) < 0) {
        Fail("described", errno);
    }
    Control(UI_DEV_CREATE, 0);
}

UinputDevice::~UinputDevice() {
    calls_.Control(fd_, UI_DEV_DESTROY, 0UL);
    calls_.Close(fd_);
}

void UinputDevice::Control(unsigned long request, unsigned long value) {
    if (calls_.Control(fd_, request, value) < 0) {
        Fail(request == UI_DEV_CREATE ? "made" : "described", errno);
    }
}

void UinputDevice::Fail(const char* what, int error) {
    calls_.Close(fd_);
    Raise(std::string("the uinput device cannot be ") + what + ": " + std::strerror(error));
}

bool UinputDevice::Write(std::span<const input_event> events) {
    const long written = calls_.Write(fd_, events.data(), events.size_bytes());
    return written == static_cast<long>(events.size_bytes());
}

}  // namespace qm::uinput
