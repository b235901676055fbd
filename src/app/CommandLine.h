#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qm {

// What the program answers on its command line before it becomes a desktop program: "--help"
// (with where the settings and `logFile` are) and "--version", printed to `out`. The exit
// status when the process ends there; nothing for every other command line, Qt's own options
// among them.
std::optional<int> AnswerCommandLine(const std::vector<std::string>& args, const std::string& logFile,
                                     std::ostream& out);

}  // namespace qm
