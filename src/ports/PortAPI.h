#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ports/PortSystem.h"
#include "settings/SettingsRecord.h"

namespace qm {

// One serial port found at start-up.
struct PortInfo {
    std::string Name;    // as the system reports it, e.g. "COM1:"
    bool InUse = false;  // the open test failed; always false unless TestPorts is 1
};

// Port discovery: which COM ports the system knows, and whether each can be opened now.
class modPortAPI {
public:
    modPortAPI(PortSystem& system, const SettingsRecord& settings) : system_(system), settings_(settings) {}

    // Fills ports with the system's COM ports in enumeration order and returns how many there
    // are; 0 when there are none, when enumeration fails, or on an error. The array always
    // ends up holding exactly the returned number of entries.
    std::int16_t GetAvailablePorts(std::vector<PortInfo>& ports);

    // True when the port could be opened for shared reading at this moment. The device is
    // closed again at once, so a port another program holds, or whose device is absent, fails.
    bool COMAvailable(const std::string& portName);

private:
    PortSystem& system_;
    const SettingsRecord& settings_;
};

// The port number a port name carries: its decimal digits, in order, as a 16-bit number
// (COM12: gives 12, COM1A2: gives 12). 0 when the name has no digits or they overflow.
std::int16_t GetComPortNumberFromName(const std::string& portName);

}  // namespace qm
