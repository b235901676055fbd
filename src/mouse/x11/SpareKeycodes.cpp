#include "mouse/x11/SpareKeycodes.h"

#include <algorithm>

#include "mouse/x11/XErrorTrap.h"

namespace qm::x11 {

// The keysyms of a range of keycodes, freed with the object.
class SpareKeycodes::KeyboardMapping {
public:
    KeyboardMapping(Display* display, int first, int count) : first_(first) {
        if (count > 0) {
            keysyms_ = XGetKeyboardMapping(display, static_cast<KeyCode>(first), count, &perKeycode_);
        }
        count_ = keysyms_ != nullptr ? count : 0;
    }
    ~KeyboardMapping() {
        if (keysyms_ != nullptr) {
            XFree(keysyms_);
        }
    }
    KeyboardMapping(const KeyboardMapping&) = delete;
    KeyboardMapping& operator=(const KeyboardMapping&) = delete;

    bool Holds(int keycode) const { return keycode >= first_ && keycode < first_ + count_; }
    bool Empty(int keycode) const {
        const KeySym* entry = Entry(keycode);
        return std::all_of(entry, entry + perKeycode_, [](KeySym keysym) { return keysym == NoSymbol; });
    }
    // Gives the keysym and nothing else (the server may repeat it in other columns).
    bool Only(int keycode, Keysym keysym) const {
        const KeySym* entry = Entry(keycode);
        return perKeycode_ > 0 && entry[0] == static_cast<KeySym>(keysym) &&
               std::all_of(entry, entry + perKeycode_, [keysym](KeySym each) {
                   return each == NoSymbol || each == static_cast<KeySym>(keysym);
               });
    }

private:
    const KeySym* Entry(int keycode) const { return keysyms_ + (keycode - first_) * perKeycode_; }

    int first_;
    int count_ = 0;
    int perKeycode_ = 0;
    KeySym* keysyms_ = nullptr;
};

SpareKeycodes::SpareKeycodes(Display* display) : display_(display) {
    XDisplayKeycodes(display_, &minKeycode_, &maxKeycode_);
}

SpareKeycodes::~SpareKeycodes() {
    if (slots_.empty()) {
        return;
    }
    const KeyboardMapping mapping(display_, minKeycode_, maxKeycode_ - minKeycode_ + 1);
    bool changed = false;
    for (const Slot& slot : slots_) {
        if (StillHolds(mapping, slot)) {
            KeySym none = NoSymbol;
            XChangeKeyboardMapping(display_, static_cast<int>(slot.keycode), 1, &none, 1);
            changed = true;
        }
    }
    if (changed) {
        XErrorTrap trap(display_);
        trap.Failed();
    }
}

unsigned SpareKeycodes::Bind(Keysym keysym) {
    if (keysym == kNoKeysym) {
        return 0;
    }
    const KeyboardMapping mapping(display_, minKeycode_, maxKeycode_ - minKeycode_ + 1);
    // Keycodes someone else has taken over meanwhile are no longer ours to use or restore.
    std::erase_if(slots_, [&mapping](const Slot& slot) { return !StillHolds(mapping, slot); });

    const auto bound = std::find_if(slots_.begin(), slots_.end(),
                                    [keysym](const Slot& slot) { return slot.keysym == keysym; });
    if (bound != slots_.end()) {
        bound->lastUse = ++uses_;
        return bound->keycode;
    }

    if (const unsigned keycode = FreeKeycode(mapping); keycode != 0) {
        if (!Map(keycode, keysym)) {
            return 0;
        }
        slots_.push_back(Slot{keycode, keysym, ++uses_});
        return keycode;
    }

    if (slots_.empty()) {
        return 0;
    }
    const auto oldest = std::min_element(slots_.begin(), slots_.end(),
                                         [](const Slot& a, const Slot& b) { return a.lastUse < b.lastUse; });
    if (!Map(oldest->keycode, keysym)) {
        slots_.erase(oldest);
        return 0;
    }
    oldest->keysym = keysym;
    oldest->lastUse = ++uses_;
    return oldest->keycode;
}

unsigned SpareKeycodes::Bound(Keysym keysym) const {
    const auto bound = std::find_if(slots_.begin(), slots_.end(),
                                    [keysym](const Slot& slot) { return slot.keysym == keysym; });
    return bound != slots_.end() ? bound->keycode : 0;
}

bool SpareKeycodes::Owns(unsigned keycode) const {
    return std::any_of(slots_.begin(), slots_.end(),
                       [keycode](const Slot& slot) { return slot.keycode == keycode; });
}

bool SpareKeycodes::StillHolds(const KeyboardMapping& mapping, const Slot& slot) {
    const int keycode = static_cast<int>(slot.keycode);
    return mapping.Holds(keycode) && mapping.Only(keycode, slot.keysym);
}

unsigned SpareKeycodes::FreeKeycode(const KeyboardMapping& mapping) const {
    // From the top: the highest keycodes are the ones no keyboard has. 255 stays silent: it is
    // the key byte of the injector's "no key" answer.
    for (int keycode = std::min(maxKeycode_, 254); keycode >= minKeycode_; --keycode) {
        if (mapping.Holds(keycode) && mapping.Empty(keycode) && !Owns(static_cast<unsigned>(keycode))) {
            return static_cast<unsigned>(keycode);
        }
    }
    return 0;
}

bool SpareKeycodes::Map(unsigned keycode, Keysym keysym) {
    XErrorTrap trap(display_);
    // The same keysym at both levels, so a held Shift does not change the character.
    KeySym keysyms[2] = {keysym, keysym};
    XChangeKeyboardMapping(display_, static_cast<int>(keycode), 2, keysyms, 1);
    return !trap.Failed();
}

}  // namespace qm::x11
