#include "app/win32/Win32Platform.h"

#include "desktop/win32/Win32Desktop.h"
#include "ports/qt/Win32SerialControl.h"
#include "ports/win32/Win32PortSystem.h"

namespace qm {

Win32Platform::Win32Platform() = default;

Win32Platform::~Win32Platform() = default;

std::unique_ptr<Desktop> Win32Platform::MakeDesktop() {
    return std::make_unique<Win32Desktop>();
}

std::unique_ptr<SerialControl> Win32Platform::MakeSerialControl() {
    return std::make_unique<Win32SerialControl>([this](std::int16_t port) { return DeviceForPort(port); });
}

PortSystem& Win32Platform::ListPorts() {
    if (!ports_) {
        ports_ = std::make_unique<Win32PortSystem>();
    }
    return *ports_;
}

std::string Win32Platform::DeviceForName(const std::string& portName) const {
    static_cast<void>(portName);
    return {};
}

std::string Win32Platform::DeviceForPort(std::int16_t port) const {
    return port > 0 ? "COM" + std::to_string(port) : std::string();
}

std::unique_ptr<Platform> MakePlatform() {
    return std::make_unique<Win32Platform>();
}

}  // namespace qm
