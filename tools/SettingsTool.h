#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "SettingsStore.h"

namespace qm {

// The commands of quillmotion-settings, given its arguments (without the program name). Works on
// this system's settings store (OpenSettingsStore), or on the one given; normal output goes to
// out, problems to err. Returns the exit status: 0 done; 1 the settings store failed or the value
// is not there; 2 bad arguments, or a command that does not apply to the store.
int RunSettingsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunSettingsTool(const std::vector<std::string>& args, SettingsStore& store, std::ostream& out,
                    std::ostream& err);

}  // namespace qm
