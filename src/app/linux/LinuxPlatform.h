#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Platform.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/linux/XdgAutostart.h"

namespace qm {

class LinuxPortSystem;

// Linux with X11: the settings in the file hive, start at log-on by an XDG autostart entry, the
// ports of the device map, input through XTest.
class LinuxPlatform final : public Platform {
public:
    LinuxPlatform();
    explicit LinuxPlatform(std::string hiveFile);
    ~LinuxPlatform() override;
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    RegistryApi& Registry() override { return registry_; }
    std::string SettingsStoreProblem() override;
    StartAtLogOn& LogOnStart() override { return autostart_; }
    std::unique_ptr<Desktop> MakeDesktop() override;
    std::unique_ptr<SerialControl> MakeSerialControl() override;
    PortSystem& ListPorts() override;
    std::string DeviceForName(const std::string& portName) const override;
    std::string DeviceForPort(std::int16_t port) const override;
    // SIGTERM, SIGINT and SIGHUP, through a pipe their handler writes to.
    int ExitRequests() override;
    void TakeExitRequest() override;

private:
    FileHiveRegistry registry_;
    XdgAutostart autostart_{XdgAutostart::DefaultFolder()};
    // Built when the ports are listed, from the device map in the settings tree of that moment.
    std::unique_ptr<LinuxPortSystem> ports_;
};

// What the user is told after "Could not retrieve one or more system settings": why the store
// failed (a file that does not parse, cannot be read...), or that there is no settings file yet
// and how to make one; empty when the store had no problem (a value itself was missing or bad).
std::string SettingsStoreProblem(const FileHiveRegistry& registry);

}  // namespace qm
