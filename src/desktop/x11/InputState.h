#pragma once

#include <X11/Xlib.h>

namespace qm::x11 {

// Where the server has the pointer (root-window coordinates) and which of the first five buttons
// it holds down (Button1Mask...), as the core protocol tells them.
struct PointerState {
    int x = 0;
    int y = 0;
    unsigned buttons = 0;
};
PointerState QueryPointer(Display* display);

// The keys the server holds down as it answered when asked, a bit per keycode.
class KeysDown {
public:
    explicit KeysDown(Display* display);
    bool Holds(unsigned long keycode) const {
        return keycode < 256 && (keys_[keycode / 8] & (1 << (keycode % 8))) != 0;
    }

private:
    char keys_[32] = {};
};

}  // namespace qm::x11
