// The floor the program's latency is measured against: one process that reads the line and
// turns each byte straight into an XTest request, with nothing in between. The keyboard map is
// looked up once at start; after each read, one flush.
//
// Usage: qm_latency_floor DEVICE EAST CLICK STOP
//   EAST moves the pointer 2 pixels right, CLICK clicks the left button, STOP does nothing and
//   any other byte is typed as its ASCII key.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <array>

#include "FloorLine.h"

namespace {

struct XTestFloor {
    Display* display;
    std::array<unsigned, 128> keycodes{};

    void Move(int dx) { XTestFakeRelativeMotionEvent(display, dx, 0, CurrentTime); }
    void Click() {
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
    }
    void Key(unsigned char c) {
        if (keycodes[c] != 0) {
            XTestFakeKeyEvent(display, keycodes[c], True, CurrentTime);
            XTestFakeKeyEvent(display, keycodes[c], False, CurrentTime);
        }
    }
    bool Flush() {
        XFlush(display);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const auto codes = qm::bench::ReadFloorCodes(argc, argv, false);
    if (!codes) {
        return 2;
    }
    XTestFloor floor{XOpenDisplay(nullptr)};
    if (floor.display == nullptr) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    for (unsigned c = 0x20; c < 0x7f; ++c) {
        floor.keycodes[c] = XKeysymToKeycode(floor.display, c);
    }
    const int status = qm::bench::ReadLineInto(argv[1], *codes, floor);
    XCloseDisplay(floor.display);
    return status;
}
