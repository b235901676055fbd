#include "desktop/x11/XDisplay.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>

#include "diag/RaisedError.h"

namespace qm::x11 {

namespace {

[[noreturn]] void Refuse(const std::string& description) {
    throw RaisedError(err::InvalidProcedureCall, "XTestDesktop", description);
}

}  // namespace

XDisplay::XDisplay(const std::string& name) {
    if (name.empty()) {
        const char* fromEnvironment = std::getenv("DISPLAY");
        if (fromEnvironment == nullptr || *fromEnvironment == '\0') {
            Refuse("No X display: DISPLAY is not set");
        }
        name_ = fromEnvironment;
    } else {
        name_ = name;
    }
    display_ = XOpenDisplay(name_.c_str());
    if (display_ == nullptr) {
        Refuse("Cannot open the X display \"" + name_ + "\"");
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display_);
        display_ = nullptr;
        Refuse("The X display \"" + name_ + "\" has no XTest extension");
    }
}

XDisplay::~XDisplay() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

}  // namespace qm::x11
