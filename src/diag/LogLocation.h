#pragma once

#include <string>

namespace qm {

// Where the trace log goes. "log.txt" in the program's folder when that folder is the user's to
// write, as a build folder is. An installed program's folder is not (and for root it must not
// be littered), so there the log goes to the user's state folder instead:
// $XDG_STATE_HOME/quillmotion/log.txt, by default ~/.local/state/quillmotion/log.txt.
//
// `installedFolder` is the folder an installation puts the program in; empty when unknown.
// Only decides; nothing is created.
std::string LogFileFor(const std::string& programFolder, const std::string& installedFolder);

// The state folder's log file, or empty when neither XDG_STATE_HOME nor HOME names a folder.
std::string StateLogFile();

// Makes the folder that is to hold the log, readable by its owner alone (the log may hold
// everything typed through the device). Failures are left to the trace, which stays silent.
void PrepareLogFolder(const std::string& logFile);

}  // namespace qm
