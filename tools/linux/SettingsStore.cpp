// On Linux the settings tree lives in the file hive, which also maps COM names to devices.

#include <memory>
#include <string>

#include "SettingsStore.h"
#include "settings/hive/FileHiveRegistry.h"

namespace qm {

SettingsStore OpenSettingsStore() {
    std::string file = FileHiveRegistry::DefaultLocalMachineFile();
    return {.registry = std::make_unique<FileHiveRegistry>(file),
            .help =
                "The tree lives in the file that QUILLMOTION_HIVE names, else in\n"
                "$XDG_CONFIG_HOME/quillmotion/HKEY_LOCAL_MACHINE.reg.\n",
            .location = file,
            .place = "settings file " + file,
            .accessDenied = "access denied",
            .noDeviceMap = {}};
}

}  // namespace qm
