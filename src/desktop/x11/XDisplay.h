#pragma once

#include <string>

struct _XDisplay;

namespace qm::x11 {

// A connection of our own to an X display, with the XTest extension checked.
// Throws RaisedError when the display cannot be opened or cannot take injected input.
class XDisplay {
public:
    // An empty name means the display named by DISPLAY.
    explicit XDisplay(const std::string& name);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    _XDisplay* Get() const { return display_; }

private:
    _XDisplay* display_ = nullptr;
    std::string name_;
};

}  // namespace qm::x11
