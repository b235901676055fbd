#pragma once

#include <memory>
#include <string>

#include "app/Platform.h"
#include "settings/RunValueStart.h"
#include "settings/win32/Win32Registry.h"

namespace qm {

class Win32PortSystem;

// Windows: the registry itself, the ports the system enumerates, and the Win32 input calls.
class Win32Platform final : public Platform {
public:
    Win32Platform();
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    RegistryApi& Registry() override { return registry_; }
    // The registry says nothing beyond its error codes, which the load traces already.
    std::string SettingsStoreProblem() override { return {}; }
    StartAtLogOn& LogOnStart() override { return logOnStart_; }
    std::unique_ptr<Desktop> MakeDesktop() override;
    std::unique_ptr<SerialControl> MakeSerialControl() override;
    PortSystem& ListPorts() override;
    // Windows names its ports itself: there is no device behind a name to show.
    std::string DeviceForName(const std::string& portName) const override;
    // The serial control opens "COMn" by that name.
    std::string DeviceForPort(std::int16_t port) const override;

private:
    Win32Registry registry_;
    RunValueStart logOnStart_;
    std::unique_ptr<Win32PortSystem> ports_;
};

}  // namespace qm
