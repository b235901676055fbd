#pragma once

namespace qm::layout {

// Where the settings live: every setting's key is this base key followed by its key name.
inline constexpr const char* kBaseKey = "Software\\Tallowmer\\Quillmotion\\";
// The key whose values start programs at log-on, in the same hive.
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The product name, which also names the program's Run value.
inline constexpr const char* kProductName = "Quillmotion";
// Below the base key: the device map that gives each COM name its device.
inline constexpr const char* kDevicesKey = "Ports\\Devices";

}  // namespace qm::layout
