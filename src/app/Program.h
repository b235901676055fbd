#pragma once

#include <memory>
#include <string>
#include <vector>

class QApplication;

namespace qm {

class DeviceMap;
class FileHiveRegistry;
struct PortInfo;
struct PortListEntry;

// The port list's rows for the ports found: each name with the device the map gives it.
std::vector<PortListEntry> PortRows(const std::vector<PortInfo>& ports, const DeviceMap& map);

// What the user is told after "Could not retrieve one or more system settings": why the store
// failed (a file that does not parse, cannot be read...), or that there is no settings file yet
// and how to make one; empty when the store had no problem (a value itself was missing or bad).
std::string SettingsStoreProblem(const FileHiveRegistry& registry);

// The running program on this system: the settings store and record, the ports, the serial
// control, desktop input, the movement timer and the tray icon, the main window over them, and
// its start-up. Builds everything, runs the load handler, shows the window and runs the event
// loop until the window unloads.
class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The process's exit status: 0 after an ordinary exit, 1 when start-up failed.
    int Run(QApplication& app);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace qm
