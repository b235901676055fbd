#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class Desktop;

// The ways a Linux desktop takes input from another program.
enum class DesktopBackend : std::uint8_t {
    X11,      // XTest on an X display (Xwayland reaches only X programs)
    Wlroots,  // the wlroots virtual pointer and keyboard (sway and its kin), no dialog
    Uinput,   // a kernel input device: every desktop, no dialog, needs access to /dev/uinput
    Portal,   // the RemoteDesktop portal: GNOME and KDE, after a carer allows it once
    Mutter,   // GNOME's own RemoteDesktop interface, where the portal is missing
};

// What the session says about itself, and the backend the user forced, if any (the environment
// variable QUILLMOTION_DESKTOP, else the DesktopBackend setting).
struct SessionFacts {
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string x11Display;      // DISPLAY
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP, e.g. "GNOME" or "ubuntu:GNOME"
    std::string forced;          // a backend's name, or empty to choose from the session

    static SessionFacts FromEnvironment(const std::string& forcedBySetting);
};

// "x11", "wlroots", "uinput", "portal", "mutter": the names a user forces a backend by.
const char* BackendName(DesktopBackend backend);
// How the window and the log name it.
const char* BackendTitle(DesktopBackend backend);

// The backends worth trying for this session, best first: on X11 XTest alone; on Wayland the
// ones that need no dialog first, the portal after them, and XTest last, which reaches only
// the programs running under Xwayland. A forced backend is tried alone. Empty, with why, when
// the forced name is unknown.
struct BackendOrder {
    std::vector<DesktopBackend> backends;
    std::string problem;
};
BackendOrder BackendsToTry(const SessionFacts& session);

// Makes one backend; throws RaisedError saying why it cannot work here.
using DesktopMaker = std::function<std::unique_ptr<Desktop>(DesktopBackend)>;

struct ChosenDesktop {
    std::unique_ptr<Desktop> desktop;
    DesktopBackend backend = DesktopBackend::X11;
    // For the log and the window: what is in use, why the ones before it were not, and what
    // the user may still need to allow; empty in an X11 session, which has no choice.
    std::string report;
    // Said at once in the log and the tray when the input reaches only some programs (XTest in a
    // Wayland session); empty otherwise.
    std::string note;
};

// The first backend in the session's order that can be made. Throws RaisedError, with every
// backend's reason and what to install or allow, when none can.
ChosenDesktop ChooseDesktop(const SessionFacts& session, const DesktopMaker& make);

}  // namespace qm
