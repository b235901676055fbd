#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace qm {

class Desktop;
class PortSystem;
class RegistryApi;
class SerialControl;
class StartAtLogOn;

// While it lives, the desktop input it was made for is let go of when the process ends without
// the unload.
class HeldInputGuard {
public:
    virtual ~HeldInputGuard() = default;
};

// What differs from one system to the next, made in one place: the settings store, the ports
// and their devices, and desktop input. Everything else in the program is the same everywhere.
class Platform {
public:
    virtual ~Platform() = default;

    // The settings store: the registry on Windows, the file hive on Linux.
    virtual RegistryApi& Registry() = 0;
    // Why the settings store failed, for the user (ANSI); empty when the store had no problem.
    virtual std::string SettingsStoreProblem() = 0;
    // The file the settings store keeps its values in, watched for the changes other programs
    // make while this one runs; empty where the store is no file.
    virtual std::string SettingsFile() const { return {}; }
    // What starts the program at log-on, which the settings turn on and off with the Run value.
    virtual StartAtLogOn& LogOnStart() = 0;

    // Desktop input. Throws RaisedError when the desktop cannot be reached.
    virtual std::unique_ptr<Desktop> MakeDesktop() = 0;
    // After MakeDesktop, for the window: which desktop input is in use and why (ANSI); empty
    // where the system has one kind only.
    virtual std::string DesktopReport() const { return {}; }
    // What the user must know about it at once, in the log and below the tray icon's tip (ANSI):
    // that it reaches only some programs; empty when it reaches every one.
    virtual std::string DesktopNote() const { return {}; }
    // Lets go of the desktop's held input first when the process ends without the unload: a
    // crash, an uncaught exception, a library that calls exit(). The guard goes before the
    // desktop; null where the system lets go of a program's input itself.
    virtual std::unique_ptr<HeldInputGuard> GuardHeldInput(Desktop&) { return nullptr; }

    // The serial line, opening the device DeviceForPort names. Its events are raised on the UI
    // thread's event loop.
    virtual std::unique_ptr<SerialControl> MakeSerialControl() = 0;

    // The system's ports as they are now; the view stays until the next call.
    virtual PortSystem& ListPorts() = 0;
    // The device a port name or number stands for in the last list, in the system's encoding;
    // empty when the system names its ports itself.
    virtual std::string DeviceForName(const std::string& portName) const = 0;
    virtual std::string DeviceForPort(std::int16_t port) const = 0;

    // A descriptor that turns readable when the system asks the program to end (a desktop
    // session ending, kill, Ctrl+C), so that the request is handled on the event loop like any
    // other event; -1 where the system asks through the application object instead.
    virtual int ExitRequests() { return -1; }
    // Takes one request off that descriptor.
    virtual void TakeExitRequest() {}
};

// The platform of the system this program was built for.
std::unique_ptr<Platform> MakePlatform();

}  // namespace qm
