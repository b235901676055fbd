#include "app/linux/DisplayCheck.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace qm {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string UnreachableDisplay() {
    const std::string platform = Environment("QT_QPA_PLATFORM");
    if (!(platform == "xcb" || (platform.empty() && Environment("WAYLAND_DISPLAY").empty()))) {
        return {};
    }
    const std::string name = Environment("DISPLAY");
    if (name.empty()) {
        return "No X display: DISPLAY is not set";
    }
    Display* display = XOpenDisplay(name.c_str());
    if (display == nullptr) {
        return "Cannot open the X display \"" + name + "\"";
    }
    XCloseDisplay(display);
    return {};
}

}  // namespace qm
