#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qm {

// The commands of quillmotion-settings, given its arguments (without the program name). Works on
// the hive FileHiveRegistry::DefaultLocalMachineFile() names; normal output goes to out, problems
// to err. Returns the exit status: 0 done; 1 the settings store failed or the value is not there;
// 2 bad arguments.
int RunSettingsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qm
