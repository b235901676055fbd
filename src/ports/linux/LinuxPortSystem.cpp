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
constexpr DWORD kLevel = 2;
constexpr const char* kMonitorName = "Quillmotion";

}  // namespace

LinuxPortSystem::LinuxPortSystem(DeviceMap map, std::vector<std::string> lockDirs)
    : map_(std::move(map)), lockDirs_(std::move(lockDirs)) {}

LinuxPortSystem::~LinuxPortSystem() {
    for (const int fd : open_) {
        ::close(fd);
    }
}

bool LinuxPortSystem::EnumPortsA(const std::string& pName, DWORD Level, PORT_INFO_2* pPorts, DWORD cbBuf,
                                 DWORD* pcbNeeded, DWORD* pcReturned) {
    if (!pName.empty() || Level != kLevel) {
        // Another machine's ports, or another record shape: neither is known here.
        if (pcbNeeded != nullptr) {
            *pcbNeeded = 0;
        }
        if (pcReturned != nullptr) {
            *pcReturned = 0;
        }
        return false;
    }
    std::vector<PORT_INFO_2> ports;
    for (const PortDevice& entry : map_.Entries()) {
        PORT_INFO_2 port;
        port.pPortName = entry.Name;
        port.pMonitorName = kMonitorName;
        port.pDescription = Cp1252FromUtf8(entry.Device);
        port.fPortType = PORT_TYPE_READ | PORT_TYPE_WRITE;
        ports.push_back(std::move(port));
    }
    return EnumPortsFromList(ports, pPorts, cbBuf, pcbNeeded, pcReturned);
}

HANDLE LinuxPortSystem::CreateFileA(const std::string& lpFileName, DWORD /*dwDesiredAccess*/,
                                    DWORD /*dwShareMode*/,
                                    const SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/,
                                    DWORD dwCreationDisposition, DWORD /*dwFlagsAndAttributes*/,
                                    HANDLE /*hTemplateFile*/) {
    if (dwCreationDisposition != OPEN_EXISTING) {
        return INVALID_HANDLE_VALUE;  // a port is never created
    }
    const std::optional<std::string> device = map_.DeviceForName(lpFileName);
    if (!device) {
        return INVALID_HANDLE_VALUE;
    }
    const PortOpenResult result = OpenIfFree(*device, lockDirs_);
    if (result.hold != PortHold::Free) {
        return INVALID_HANDLE_VALUE;
    }
    open_.insert(result.fd);
    return result.fd;
}

bool LinuxPortSystem::CloseHandle(HANDLE hObject) {
    if (hObject < 0 || hObject > INT32_MAX) {
        return false;
    }
    const auto fd = static_cast<int>(hObject);
    // Only what this object opened: never somebody else's descriptor.
    if (open_.erase(fd) == 0) {
        return false;
    }
    return ::close(fd) == 0;
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
