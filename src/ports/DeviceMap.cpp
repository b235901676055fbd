#include "ports/DeviceMap.h"

#include <algorithm>
#include <limits>
#include <set>

namespace qm {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits only, as a port number from 1 to 32767.
std::optional<std::int16_t> ParseNumber(const std::string& digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    for (const char c : digits) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int16_t>::max()) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// /dev/ttyS<n> is COM<n+1>:, the numbering every serial port tool on this system expects.
std::optional<std::int16_t> FixedNumber(const std::string& path) {
    const std::string name = BaseName(path);
    const std::string prefix = "ttyS";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), IsDigit) || digits.size() > 5) {
        return std::nullopt;
    }
    const std::int32_t n = std::stoi(digits);
    if (n + 1 > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(n + 1);
}

struct Found {
    SerialDevice device;
    std::string resolved;
    std::optional<std::int16_t> number;
};

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t iEnd = i;
            std::size_t jEnd = j;
            while (iEnd < a.size() && IsDigit(a[iEnd])) {
                ++iEnd;
            }
            while (jEnd < b.size() && IsDigit(b[jEnd])) {
                ++jEnd;
            }
            std::size_t iStart = i;
            std::size_t jStart = j;
            while (iStart + 1 < iEnd && a[iStart] == '0') {
                ++iStart;
            }
            while (jStart + 1 < jEnd && b[jStart] == '0') {
                ++jStart;
            }
            const std::size_t iLength = iEnd - iStart;
            const std::size_t jLength = jEnd - jStart;
            if (iLength != jLength) {
                return iLength < jLength;
            }
            const int order = a.compare(iStart, iLength, b, jStart, jLength);
            if (order != 0) {
                return order < 0;
            }
            i = iEnd;
            j = jEnd;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        }
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) {
        return (a.size() - i) < (b.size() - j);
    }
    // Equal but for leading zeros: plain order keeps the ordering strict.
    return a < b;
}

std::optional<std::int16_t> DeviceMap::ComPortNumber(const std::string& name) {
    if (name.size() < 4) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = name[i];
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != "COM"[i]) {
            return std::nullopt;
        }
    }
    std::string digits = name.substr(3);
    if (!digits.empty() && digits.back() == ':') {
        digits.pop_back();
    }
    return ParseNumber(digits);
}

std::string DeviceMap::ComPortName(std::int16_t portNumber) {
    return "COM" + std::to_string(portNumber) + ":";
}

DeviceMap::DeviceMap(const std::vector<PortDevice>& explicitEntries,
                     const std::vector<SerialDevice>& discovered, const Resolver& resolve) {
    auto resolved = [&resolve](const std::string& path) { return resolve ? resolve(path) : path; };

    std::set<std::int16_t> taken;
    std::set<std::string> mappedDevices;
    for (const PortDevice& entry : explicitEntries) {
        const std::optional<std::int16_t> number = ComPortNumber(entry.Name);
        if (!number || entry.Device.empty() || taken.count(*number) != 0) {
            ignored_.push_back(entry);
            continue;
        }
        taken.insert(*number);
        mappedDevices.insert(resolved(entry.Device));
        entries_.push_back({ComPortName(*number), entry.Device});
        numbers_.push_back(*number);
    }

    // Each device once, and none that an explicit entry already names.
    std::vector<Found> fixed;
    std::vector<Found> others;
    std::set<std::string> seen;
    for (const SerialDevice& device : discovered) {
        Found found{device, resolved(device.Path), FixedNumber(device.Path)};
        if (mappedDevices.count(found.resolved) != 0 || !seen.insert(found.resolved).second) {
            continue;
        }
        if (found.number) {
            if (taken.count(*found.number) != 0) {
                continue;  // the explicit entry with this name wins
            }
            taken.insert(*found.number);
            fixed.push_back(std::move(found));
        } else {
            others.push_back(std::move(found));
        }
    }

    auto key = [](const Found& found) {
        return found.device.StableKey.empty() ? found.device.Path : found.device.StableKey;
    };
    std::sort(others.begin(), others.end(), [&key](const Found& a, const Found& b) {
        const std::string keyA = key(a);
        const std::string keyB = key(b);
        if (keyA != keyB) {
            return NaturalLess(keyA, keyB);
        }
        return NaturalLess(a.device.Path, b.device.Path);
    });
    std::int32_t next = kFirstFreeNumber;
    for (Found& found : others) {
        while (next <= std::numeric_limits<std::int16_t>::max() &&
               taken.count(static_cast<std::int16_t>(next)) != 0) {
            ++next;
        }
        if (next > std::numeric_limits<std::int16_t>::max()) {
            break;  // no names left
        }
        found.number = static_cast<std::int16_t>(next);
        taken.insert(*found.number);
        fixed.push_back(std::move(found));
    }

    std::sort(fixed.begin(), fixed.end(),
              [](const Found& a, const Found& b) { return *a.number < *b.number; });
    for (const Found& found : fixed) {
        entries_.push_back({ComPortName(*found.number), found.device.Path});
        numbers_.push_back(*found.number);
    }
}

std::optional<std::string> DeviceMap::DeviceForPort(std::int16_t portNumber) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (numbers_[i] == portNumber) {
            return entries_[i].Device;
        }
    }
    return std::nullopt;
}

std::optional<std::string> DeviceMap::DeviceForName(const std::string& portName) const {
    const std::optional<std::int16_t> number = ComPortNumber(portName);
    if (!number) {
        return std::nullopt;
    }
    return DeviceForPort(*number);
}

}  // namespace qm
