#include "ports/linux/SerialDeviceScan.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

namespace qm {
namespace {

namespace fs = std::filesystem;

const char* const kPrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};

bool IsSerialName(const std::string& name) {
    for (const char* prefix : kPrefixes) {
        const std::string p = prefix;
        if (name.size() > p.size() && name.compare(0, p.size(), p) == 0 &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(p.size()), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            return true;
        }
    }
    return false;
}

// The UART type the kernel shows in sysfs, when it lets us read it.
std::optional<long> SysfsUartType(const DeviceScanRoots& roots, const std::string& name) {
    std::ifstream file(roots.SysClassTty + "/" + name + "/type");
    long type = 0;
    if (file >> type) {
        return type;
    }
    return std::nullopt;
}

bool UartPresent(const DeviceScanRoots& roots, const std::string& name) {
    if (const std::optional<long> type = SysfsUartType(roots, name)) {
        return *type != PORT_UNKNOWN;
    }
    const std::string path = roots.Dev + "/" + name;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1) {
        return errno == EBUSY;  // someone holds it exclusively: there is a port to hold
    }
    serial_struct info{};
    const bool present = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return present;
}

}  // namespace

std::string ResolveDevicePath(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved.string();
}

std::vector<SerialDevice> ScanSerialDevices(const DeviceScanRoots& roots) {
    // Stable names first: the device each by-id link leads to, and the link that names it.
    std::map<std::string, std::string> stableKeys;
    std::error_code error;
    for (fs::directory_iterator it(roots.ById, error), end; !error && it != end; it.increment(error)) {
        const std::string link = it->path().string();
        const std::string device = ResolveDevicePath(link);
        auto found = stableKeys.find(device);
        if (found == stableKeys.end()) {
            stableKeys.emplace(device, link);
        } else if (NaturalLess(link, found->second)) {
            found->second = link;
        }
    }

    std::vector<SerialDevice> devices;
    error.clear();
    for (fs::directory_iterator it(roots.Dev, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!IsSerialName(name)) {
            continue;
        }
        if (name.rfind("ttyS", 0) == 0 && !UartPresent(roots, name)) {
            continue;
        }
        SerialDevice device;
        device.Path = it->path().string();
        const auto key = stableKeys.find(ResolveDevicePath(device.Path));
        if (key != stableKeys.end()) {
            device.StableKey = key->second;
        }
        devices.push_back(std::move(device));
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return NaturalLess(a.Path, b.Path); });
    return devices;
}

}  // namespace qm
