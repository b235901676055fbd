#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::win32 {

// The winspool and kernel32 calls of the port system in plain types, apart from <windows.h>,
// whose macros (HANDLE, INVALID_HANDLE_VALUE, OPEN_EXISTING, ...) would clash with the names
// our port interface gives the same things.

struct SystemPort {
    std::string name;
    std::string monitor;
    std::string description;
    std::uint32_t type = 0;
};

// EnumPortsA at level 2 for the server (empty: this machine), with the two-call protocol
// done here. False when the system refuses.
bool EnumPorts2(const std::string& server, std::vector<SystemPort>& ports);

// CreateFileA, with a null security record when security is false; the handle as an integer,
// -1 when the open failed. (Not named CreateFile: <windows.h> makes that a macro.)
std::intptr_t OpenDevice(const char* name, std::uint32_t access, std::uint32_t shareMode, bool security,
                         bool inheritHandle, std::uint32_t creation, std::uint32_t flags,
                         std::intptr_t templateFile);
bool CloseDevice(std::intptr_t handle);

}  // namespace qm::win32
