#pragma once

#include <memory>
#include <string>

#include "settings/RegistryApi.h"

namespace qm {

// The settings store the tool's commands work on, with what they say of it. Each system keeps
// its tree its own way (Linux in the file hive, Windows in the registry itself), and the build
// takes that system's OpenSettingsStore (tools/linux, tools/win32): the commands never ask which
// system they run on.
struct SettingsStore {
    std::unique_ptr<RegistryApi> registry;
    // The help text's lines on where the tree lives.
    std::string help;
    // Where "init" reports the tree ready.
    std::string location;
    // Shown after a failure whose reason does not name the place itself.
    std::string place;
    // The reason given when the store refuses access, with what it takes to be let in.
    std::string accessDenied;
    // Why map and unmap do not apply to this store; empty where the store keeps the device map.
    std::string noDeviceMap;
};

// This system's store. Opening reads and writes nothing yet.
SettingsStore OpenSettingsStore();

}  // namespace qm
