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

// Desktop input goes through X: in a Wayland session it reaches only the programs that run
// under XWayland. True when the environment says the session is one (WAYLAND_DISPLAY set, or
// XDG_SESSION_TYPE "wayland").
bool InWaylandSession();

// Said once at start in such a session: in the log and below the tray icon's tip.
inline constexpr const char* kWaylandNote =
    "This is a Wayland session: Quillmotion's pointer and keys reach only X11 programs (those running "
    "under XWayland), not Wayland ones.";

}  // namespace qm
