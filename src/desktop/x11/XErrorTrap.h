#pragma once

#include <X11/Xlib.h>

namespace qm::x11 {

// Catches the X protocol errors of the requests made while it lives, instead of Xlib's
// default of ending the program. One at a time; the previous handler comes back at the end.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Waits for the server to answer everything sent so far; true if any of it failed.
    bool Failed();
    int ErrorCode() const;

private:
    Display* display_;
    XErrorHandler previous_;
};

}  // namespace qm::x11
