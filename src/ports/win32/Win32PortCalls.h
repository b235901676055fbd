#pragma once

#include <string>
#include <vector>

namespace qm::win32 {

// The winspool and kernel32 calls of the port system in plain types, apart from <windows.h>
// and its macros.

// The port names of this machine from EnumPortsA at level 2, with the two-call protocol done
// here. False when the system refuses.
bool EnumPortNames(std::vector<std::string>& names);

// CreateFileA for no access rights, shared reading, an existing device only, closed again at
// once: true when it opened.
bool OpensForSharedReading(const char* name);

}  // namespace qm::win32
