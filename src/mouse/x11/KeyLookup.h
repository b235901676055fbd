#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <optional>
#include <vector>

#include "mouse/x11/AnsiKeysym.h"

namespace qm::x11 {

// A key of the current layout and the modifiers (X modifier mask) that make it give the
// keysym looked for.
struct KeyChoice {
    unsigned keycode = 0;
    unsigned modifiers = 0;
};

// The key that gives one of the keysyms in the keyboard's current group with the fewest
// modifiers, asking the server for the layout as it is now. Levels reached only through
// Lock or NumLock are not offered. Keys for which skip answers true are passed over.
std::optional<KeyChoice> FindKey(Display* display, const std::vector<Keysym>& keysyms,
                                 const std::function<bool(unsigned keycode)>& skip = {});

}  // namespace qm::x11
