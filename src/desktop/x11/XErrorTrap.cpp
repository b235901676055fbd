#include "desktop/x11/XErrorTrap.h"

namespace qm::x11 {

namespace {

// Xlib calls the handler without a context argument.
int trappedErrorCode = 0;

int RecordError(Display*, XErrorEvent* event) {
    if (trappedErrorCode == 0) {
        trappedErrorCode = event->error_code;
    }
    return 0;
}

}  // namespace

XErrorTrap::XErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);  // earlier requests' errors are not ours to report
    trappedErrorCode = 0;
    previous_ = XSetErrorHandler(RecordError);
}

XErrorTrap::~XErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
}

bool XErrorTrap::Failed() {
    XSync(display_, False);
    return trappedErrorCode != 0;
}

int XErrorTrap::ErrorCode() const {
    return trappedErrorCode;
}

}  // namespace qm::x11
