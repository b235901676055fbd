#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ports/DeviceMap.h"
#include "ports/PortSystem.h"
#include "ports/linux/SerialDeviceScan.h"
#include "settings/RegistryApi.h"

namespace qm {

// The ports of a Linux system as the COM ports of a device map. The list is the map's names in
// its order; opening a port opens its device with OpenIfFree, so a device another program holds
// does not open. A tty has no share modes: the open test is the same for every caller.
class LinuxPortSystem : public PortSystem {
public:
    explicit LinuxPortSystem(DeviceMap map, std::vector<std::string> lockDirs);

    bool ListPorts(std::vector<std::string>& names) override;
    bool OpensNow(const std::string& portName) override;

    // The map the serial control resolves CommPort through, and the port list shows.
    const DeviceMap& Map() const { return map_; }

private:
    DeviceMap map_;
    std::vector<std::string> lockDirs_;
};

// The device map of this system: the explicit devices under "Ports\Devices" in the settings
// tree, then the serial devices found under roots. Registry texts are Windows-1252; device
// paths in the map are in the system's encoding (UTF-8).
DeviceMap BuildDeviceMap(RegistryApi& registry, const DeviceScanRoots& roots = {});

// The port system the program uses on Linux, its map built once now: the list stays as it is
// for the rest of the run, like the port list itself.
std::unique_ptr<LinuxPortSystem> MakeLinuxPortSystem(RegistryApi& registry);

}  // namespace qm
