#pragma once

#include <vector>

#include "ports/DeviceMap.h"
#include "settings/RegistryApi.h"

namespace qm {

// Where the settings name a device for a port: each value's name is a port ("COM7:"), its
// text data the device path. Under HKEY_LOCAL_MACHINE.
inline constexpr const char* kPortDevicesKey = "Software\\Tallowmer\\Quillmotion\\Ports\\Devices";

// Reads the explicit port devices in the registry's value order. Text values (REG_SZ, and
// REG_EXPAND_SZ expanded) are taken; values of other types are passed over. Returns the
// registry's result: ERROR_FILE_NOT_FOUND when the key is absent (no explicit devices, which
// is normal). On any failure entries is left empty.
LONG ReadPortDevices(RegistryApi& registry, std::vector<PortDevice>& entries);

}  // namespace qm
