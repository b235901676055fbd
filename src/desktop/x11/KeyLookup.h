#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <optional>
#include <vector>

#include "desktop/keysyms/AnsiKeysym.h"

struct _XkbDesc;

namespace qm::x11 {

// A key of the layout and the modifiers (X modifier mask) that go with it: those that make it
// give the keysym looked for, or for a modifier key, those it sets.
struct KeyChoice {
    unsigned keycode = 0;
    unsigned modifiers = 0;
};

// The core keyboard's layout as the server had it when this was made; made anew after the
// server announces a change.
class KeyboardLayout {
public:
    // An empty layout, with no keys, when the server gives none.
    explicit KeyboardLayout(Display* display);
    ~KeyboardLayout();
    KeyboardLayout(const KeyboardLayout&) = delete;
    KeyboardLayout& operator=(const KeyboardLayout&) = delete;

    // The key that gives one of the keysyms in the group with the fewest modifiers. Only
    // modifiers that can be held without side effects are offered: Shift, and the level-three
    // shift (AltGr) where LevelThreeKey finds a key for it. Keys for which skip answers true are
    // passed over.
    std::optional<KeyChoice> FindKey(int group, const std::vector<Keysym>& keysyms,
                                     const std::function<bool(unsigned keycode)>& skip = {}) const;

    // A key that gives one of the keysyms with no modifier held and sets a modifier, with the
    // modifiers it sets; keys that would set any of forbidden are passed over.
    std::optional<KeyChoice> ModifierKey(int group, const std::vector<Keysym>& keysyms,
                                         unsigned forbidden = 0) const;

    // The layout's ISO_Level3_Shift key when holding it sets only a modifier that means nothing
    // else (not Shift, Ctrl, Alt, Super, Lock or NumLock).
    std::optional<KeyChoice> LevelThreeKey(int group) const;

private:
    _XkbDesc* xkb_ = nullptr;
};

// The keyboard's current group, 0 when the server does not say.
int CurrentGroup(Display* display);

}  // namespace qm::x11
