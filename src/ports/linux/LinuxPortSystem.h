#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ports/DeviceMap.h"
#include "ports/PortSystem.h"
#include "ports/linux/SerialDeviceScan.h"
#include "settings/RegistryApi.h"

namespace qm {

// The ports of a Linux system as the COM ports of a device map. Enumeration lists the map's
// names in its order (monitor "Quillmotion", the device path as the description); opening a
// port opens its device with OpenIfFree, so a device another program holds does not open.
// The share mode and access asked for play no part: a tty has no such modes.
class LinuxPortSystem : public PortSystem {
public:
    explicit LinuxPortSystem(DeviceMap map, std::vector<std::string> lockDirs);
    ~LinuxPortSystem() override;
    LinuxPortSystem(const LinuxPortSystem&) = delete;
    LinuxPortSystem& operator=(const LinuxPortSystem&) = delete;

    bool EnumPortsA(const std::string& pName, DWORD Level, PORT_INFO_2* pPorts, DWORD cbBuf, DWORD* pcbNeeded,
                    DWORD* pcReturned) override;
    HANDLE CreateFileA(const std::string& lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       const SECURITY_ATTRIBUTES* lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override;
    bool CloseHandle(HANDLE hObject) override;

    // The map the serial control resolves CommPort through, and the port list shows.
    const DeviceMap& Map() const { return map_; }

private:
    DeviceMap map_;
    std::vector<std::string> lockDirs_;
    std::set<int> open_;  // handles this object gave out and has not closed
};

// The device map of this system: the explicit devices under "Ports\Devices" in the settings
// tree, then the serial devices found under roots. Registry texts are Windows-1252; device
// paths in the map are in the system's encoding (UTF-8).
DeviceMap BuildDeviceMap(RegistryApi& registry, const DeviceScanRoots& roots = {});

// The port system the program uses on Linux, its map built once now: the list stays as it is
// for the rest of the run, like the port list itself.
std::unique_ptr<LinuxPortSystem> MakeLinuxPortSystem(RegistryApi& registry);

}  // namespace qm
