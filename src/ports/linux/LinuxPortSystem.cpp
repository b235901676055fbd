#include "ports/linux/LinuxPortSystem.h"

#include <unistd.h>

#include <utility>

#include "diag/CaughtError.h"
#include "diag/Cp1252.h"
#include "diag/Trace.h"
#include "ports/PortDevices.h"
#include "ports/linux/DeviceLocks.h"

namespace qm {
namespace {

constexpr const char* kBuildDeviceMap = "LinuxPortSystem.BuildDeviceMap";
}  // namespace

LinuxPortSystem::LinuxPortSystem(DeviceMap map, std::vector<std::string> lockDirs)
    : map_(std::move(map)), lockDirs_(std::move(lockDirs)) {}

bool LinuxPortSystem::ListPorts(std::vector<std::string>& names) {
    names.clear();
    for (const PortDevice& entry : map_.Entries()) {
        names.push_back(entry.Name);
    }
    return true;
}

bool LinuxPortSystem::OpensNow(const std::string& portName) {
    const std::optional<std::string> device = map_.DeviceForName(portName);
    if (!device) {
        return false;
    }
    const PortOpenResult result = OpenIfFree(*device, lockDirs_);
    if (result.hold != PortHold::Free) {
        return false;
    }
    ::close(result.fd);
    return true;
}

DeviceMap BuildDeviceMap(RegistryApi& registry, const DeviceScanRoots& roots) {
    Trace(kBuildDeviceMap, TraceEntry, "");
    DeviceMap map;
    try {
        std::vector<PortDevice> entries;
        const LONG result = ReadPortDevices(registry, entries);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            Trace(kBuildDeviceMap, TraceMessage,
                  "Could not read port devices - error " + std::to_string(result));
        }
        for (PortDevice& entry : entries) {
            entry.Device = Utf8FromCp1252(entry.Device);
        }
        map = DeviceMap(entries, ScanSerialDevices(roots), ResolveDevicePath);
        for (const PortDevice& entry : map.Ignored()) {
            Trace(kBuildDeviceMap, TraceMessage,
                  "Ignoring port device - " + entry.Name + " = " + Cp1252FromUtf8(entry.Device));
        }
        for (const PortDevice& entry : map.Entries()) {
            Trace(kBuildDeviceMap, TraceMessage,
                  "Port device - " + entry.Name + " = " + Cp1252FromUtf8(entry.Device));
        }
    } catch (...) {
        Trace(kBuildDeviceMap, TraceError, CurrentError().description);
        return DeviceMap();
    }
    Trace(kBuildDeviceMap, TraceExit, "");
    return map;
}

std::unique_ptr<LinuxPortSystem> MakeLinuxPortSystem(RegistryApi& registry) {
    return std::make_unique<LinuxPortSystem>(BuildDeviceMap(registry), DefaultLockDirs());
}

}  // namespace qm
