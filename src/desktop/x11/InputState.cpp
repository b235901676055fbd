#include "desktop/x11/InputState.h"

namespace qm::x11 {

PointerState QueryPointer(Display* display) {
    Window root = 0;
    Window child = 0;
    int windowX = 0;
    int windowY = 0;
    PointerState state;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &state.x, &state.y, &windowX, &windowY,
                  &state.buttons);
    return state;
}

KeysDown::KeysDown(Display* display) {
    XQueryKeymap(display, keys_);
}

}  // namespace qm::x11
