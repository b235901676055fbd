#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// A port name and the device behind it, e.g. "COM7:" and "/dev/ttyUSB0".
struct PortDevice {
    std::string Name;
    std::string Device;
};

// A serial device the system has. The stable key names the device the same way however
// its node was numbered this time (a /dev/serial/by-id link); empty means the path itself.
struct SerialDevice {
    std::string Path;
    std::string StableKey;
};

// Gives each serial device a port name of the form COMn:, so the rest of the program can
// keep thinking in COM port numbers on systems that name their devices otherwise.
//
// Explicit entries (name -> device, from the settings) come first, in their own order, and
// win over discovered devices: a discovered device with an explicit entry's number, or
// that an explicit entry already names, is not listed. Then come the discovered devices in
// number order: /dev/ttyS<n> is COM<n+1>:; every other device takes the next number from
// COM33: up that nothing else holds, in the order of its stable key, so the same set of
// devices always gets the same numbers.
class DeviceMap {
public:
    static constexpr std::int16_t kFirstFreeNumber = 33;

    // Says which device a path names in the end (following links), so an explicit entry and
    // a discovered device can be recognised as one. Without it paths are compared as given.
    using Resolver = std::function<std::string(const std::string&)>;

    DeviceMap() = default;
    DeviceMap(const std::vector<PortDevice>& explicitEntries, const std::vector<SerialDevice>& discovered,
              const Resolver& resolve = {});

    // Every mapped port, in list order. Names are in the form COMn:.
    const std::vector<PortDevice>& Entries() const { return entries_; }
    // Explicit entries that could not be used: not a COM port name, no device, or a number
    // an earlier entry already holds.
    const std::vector<PortDevice>& Ignored() const { return ignored_; }

    // The device for port number n (the serial control's CommPort), if one is mapped.
    std::optional<std::string> DeviceForPort(std::int16_t portNumber) const;
    // The device for a port name, compared as a COM port number ("com7" finds "COM7:").
    std::optional<std::string> DeviceForName(const std::string& portName) const;

    // The number of a name of the form COMn or COMn: ("COM" in any case, n from 1 to 32767).
    static std::optional<std::int16_t> ComPortNumber(const std::string& name);
    static std::string ComPortName(std::int16_t portNumber);

private:
    std::vector<PortDevice> entries_;
    std::vector<std::int16_t> numbers_;  // beside entries_
    std::vector<PortDevice> ignored_;
};

// Orders texts with digit runs compared as numbers, so ttyUSB2 comes before ttyUSB10.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace qm
