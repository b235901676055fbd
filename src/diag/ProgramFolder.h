#pragma once

#include <string>

namespace qm {

// The folder that holds the running executable, without a trailing separator
// (a root folder keeps its separator, as "/" or "C:\").
std::string ProgramFolder();

// The path of a file in that folder, with exactly one separator between the two.
std::string ProgramFolderFile(const std::string& fileName);

}  // namespace qm
