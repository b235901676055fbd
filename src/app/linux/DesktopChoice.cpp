#include "app/linux/DesktopChoice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "desktop/Desktop.h"
#include "diag/RaisedError.h"

namespace qm {
namespace {

constexpr std::array kAll{DesktopBackend::X11, DesktopBackend::Wlroots, DesktopBackend::Uinput,
                          DesktopBackend::Portal, DesktopBackend::Mutter};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsWayland(const SessionFacts& session) {
    const std::string type = Lower(session.sessionType);
    if (type == "wayland") {
        return true;
    }
    // A session manager that sets no type (a compositor started by hand) still sets the socket.
    return type != "x11" && !session.waylandDisplay.empty();
}

// XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME").
bool DesktopIs(const SessionFacts& session, const std::string& name) {
    const std::string desktops = ":" + Lower(session.currentDesktop) + ":";
    return desktops.find(":" + name + ":") != std::string::npos;
}

// What the user can do when the desktop takes input only from some programs, or from none.
std::string Advice(const SessionFacts& session) {
    if (DesktopIs(session, "gnome") || DesktopIs(session, "kde")) {
        return "To reach every program on this desktop, give the user access to /dev/uinput (the "
               "package's udev rule does, after logging in again), or let a carer allow remote "
               "interaction once when the desktop asks.";
    }
    return "To reach every program on this desktop, give the user access to /dev/uinput (the "
           "package's udev rule does, after logging in again), or use a desktop that offers the "
           "wlroots virtual pointer and keyboard (sway, Hyprland, labwc).";
}

}  // namespace

SessionFacts SessionFacts::FromEnvironment(const std::string& forcedBySetting) {
    SessionFacts facts;
    facts.sessionType = Environment("XDG_SESSION_TYPE");
    facts.waylandDisplay = Environment("WAYLAND_DISPLAY");
    facts.x11Display = Environment("DISPLAY");
    facts.currentDesktop = Environment("XDG_CURRENT_DESKTOP");
    const std::string forced = Environment("QUILLMOTION_DESKTOP");
    facts.forced = forced.empty() ? forcedBySetting : forced;
    return facts;
}

const char* BackendName(DesktopBackend backend) {
    switch (backend) {
        case DesktopBackend::X11:
            return "x11";
        case DesktopBackend::Wlroots:
            return "wlroots";
        case DesktopBackend::Uinput:
            return "uinput";
        case DesktopBackend::Portal:
            return "portal";
        case DesktopBackend::Mutter:
            return "mutter";
    }
    return "";
}

const char* BackendTitle(DesktopBackend backend) {
    switch (backend) {
        case DesktopBackend::X11:
            return "X11 (XTest)";
        case DesktopBackend::Wlroots:
            return "the wlroots virtual pointer and keyboard";
        case DesktopBackend::Uinput:
            return "a kernel input device (uinput)";
        case DesktopBackend::Portal:
            return "the RemoteDesktop portal";
        case DesktopBackend::Mutter:
            return "GNOME's RemoteDesktop interface";
    }
    return "";
}

BackendOrder BackendsToTry(const SessionFacts& session) {
    if (!session.forced.empty()) {
        const std::string forced = Lower(session.forced);
        for (const DesktopBackend backend : kAll) {
            if (forced == BackendName(backend)) {
                return {{backend}, {}};
            }
        }
        return {{},
                "The desktop input \"" + session.forced +
                    "\" is unknown: use x11, wlroots, uinput, portal or mutter, or nothing to choose "
                    "from the session."};
    }
    if (!IsWayland(session)) {
        return {{DesktopBackend::X11}, {}};
    }
    BackendOrder order{{DesktopBackend::Wlroots, DesktopBackend::Uinput, DesktopBackend::Portal}, {}};
    // Private to GNOME, and without the carer's consent the portal asks for.
    if (DesktopIs(session, "gnome")) {
        order.backends.push_back(DesktopBackend::Mutter);
    }
    if (!session.x11Display.empty()) {
        order.backends.push_back(DesktopBackend::X11);
    }
    return order;
}

ChosenDesktop ChooseDesktop(const SessionFacts& session, const DesktopMaker& make) {
    const BackendOrder order = BackendsToTry(session);
    if (order.backends.empty()) {
        throw RaisedError(err::InvalidProcedureCall, "DesktopChoice", order.problem);
    }
    std::string notUsed;
    for (const DesktopBackend backend : order.backends) {
        try {
            ChosenDesktop chosen{make(backend), backend, {}, {}};
            chosen.report =
                std::string("Desktop input: ") + BackendTitle(backend) +
                (session.forced.empty() ? "."
                                        : ", as QUILLMOTION_DESKTOP or the DesktopBackend setting asks.");
            if (!notUsed.empty()) {
                chosen.report += " Not used:" + notUsed;
            }
            if (backend == DesktopBackend::Portal) {
                chosen.report +=
                    " The desktop asks a carer to allow remote interaction when the program starts, unless "
                    "it kept "
                    "the permission; with access to /dev/uinput (the package's udev rule, after logging in "
                    "again) "
                    "nobody needs to be asked.";
            }
            if (backend == DesktopBackend::X11 && IsWayland(session)) {
                chosen.note =
                    "This is a Wayland session: Quillmotion's pointer and keys reach only X11 programs "
                    "(those running under XWayland), not Wayland ones. " +
                    Advice(session);
                chosen.report += " " + chosen.note;
            }
            // An X11 session has one way only, as the program always had: nothing to report.
            if (!IsWayland(session) && session.forced.empty()) {
                chosen.report.clear();
            }
            return chosen;
        } catch (const RaisedError& error) {
            notUsed += std::string(" ") + BackendName(backend) + ": " + error.Description();
            if (notUsed.back() != '.') {
                notUsed += '.';
            }
        }
    }
    std::string why = "No desktop input works here." + notUsed;
    if (IsWayland(session) && session.forced.empty()) {
        why += " " + Advice(session);
    }
    throw RaisedError(err::InvalidProcedureCall, "DesktopChoice", why);
}

}  // namespace qm
