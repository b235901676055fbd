#pragma once

#include <string>
#include <vector>

#include "ports/DeviceMap.h"

namespace qm {

// Where the scan looks; tests point it at folders of their own.
struct DeviceScanRoots {
    std::string Dev = "/dev";
    std::string SysClassTty = "/sys/class/tty";
    std::string ById = "/dev/serial/by-id";
};

// The serial devices this system has: ttyS<n>, ttyUSB<n>, ttyACM<n>, ttyAMA<n> and rfcomm<n>
// in Dev, in natural name order. The kernel makes a ttyS node for every UART slot it reserves,
// hardware or not, so a ttyS<n> counts only when its UART has a type: the "type" attribute in
// SysClassTty when it can be read, else TIOCGSERIAL on the device (a device another program
// holds exclusively counts). Each device's stable key is its link in ById, if it has one.
std::vector<SerialDevice> ScanSerialDevices(const DeviceScanRoots& roots = {});

// The device a path leads to, links followed; the path itself when it cannot be resolved.
std::string ResolveDevicePath(const std::string& path);

}  // namespace qm
