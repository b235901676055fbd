#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Platform.h"
#include "app/linux/DesktopChoice.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/linux/XdgAutostart.h"

namespace qm {

class LinuxPortSystem;

// Linux: the settings in the file hive, start at log-on by an XDG autostart entry, the ports of
// the device map, input through the backend the session allows (X11 or one of Wayland's).
class LinuxPlatform final : public Platform {
public:
    LinuxPlatform();
    explicit LinuxPlatform(std::string hiveFile);
    ~LinuxPlatform() override;
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    RegistryApi& Registry() override { return registry_; }
    std::string SettingsStoreProblem() override;
    std::string SettingsFile() const override { return registry_.HiveFilePath(HKEY_LOCAL_MACHINE); }
    StartAtLogOn& LogOnStart() override { return autostart_; }
    // The first backend that works in the session's order (DesktopChoice), or the one forced.
    std::unique_ptr<Desktop> MakeDesktop() override;
    std::string DesktopReport() const override { return desktopReport_; }
    std::string DesktopNote() const override { return desktopNote_; }
    // On fatal signals, std::terminate and exit() (AbnormalEndRelease).
    std::unique_ptr<HeldInputGuard> GuardHeldInput(Desktop& desktop) override;
    std::unique_ptr<SerialControl> MakeSerialControl() override;
    PortSystem& ListPorts() override;
    std::string DeviceForName(const std::string& portName) const override;
    std::string DeviceForPort(std::int16_t port) const override;
    // SIGTERM, SIGINT and SIGHUP, through a pipe their handler writes to.
    int ExitRequests() override;
    void TakeExitRequest() override;

private:
    std::unique_ptr<Desktop> MakeBackend(DesktopBackend backend);
    // A text value of the settings' base key, empty when it is absent.
    std::string DesktopSetting(const char* name);

    FileHiveRegistry registry_;
    XdgAutostart autostart_{XdgAutostart::DefaultFolder()};
    // Built when the ports are listed, from the device map in the settings tree of that moment.
    std::unique_ptr<LinuxPortSystem> ports_;
    std::string desktopReport_;
    std::string desktopNote_;
};

// What the user is told after "Could not retrieve one or more system settings": why the store
// failed (a file that does not parse, cannot be read...), or that there is no settings file yet
// and how to make one; empty when the store had no problem (a value itself was missing or bad).
std::string SettingsStoreProblem(const FileHiveRegistry& registry);

}  // namespace qm
