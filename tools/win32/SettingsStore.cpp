// On Windows the settings tree lives in the registry itself, under HKEY_LOCAL_MACHINE: everyone
// may read it, only an administrator may change it (an installer runs elevated). This is a
// 64-bit program, so it sees the registry's own view and never a virtualised copy.

#include <memory>
#include <string>

#include "SettingsStore.h"
#include "settings/SettingsLayout.h"
#include "settings/win32/Win32Registry.h"

namespace qm {

SettingsStore OpenSettingsStore() {
    std::string key = std::string("HKEY_LOCAL_MACHINE\\") + layout::kBaseKey;
    key.erase(key.find_last_not_of('\\') + 1);
    return {.registry = std::make_unique<Win32Registry>(),
            .help =
                "The tree lives in the Windows registry, not in a file; changing it needs\n"
                "administrator rights.\n",
            .location = "the registry (" + key + ")",
            .place = "registry key " + key,
            .accessDenied =
                "access denied: changing HKEY_LOCAL_MACHINE needs administrator rights "
                "(run it from a command prompt opened as administrator)",
            .noDeviceMap = "Windows names its serial ports itself"};
}

}  // namespace qm
