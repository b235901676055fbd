#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "desktop/keysyms/AnsiKeysym.h"

namespace qm::x11 {

// Borrows keycodes the layout leaves empty to type characters the layout has no key for.
//
// A binding stays until the keycode is needed for another character or this object goes:
// clients read the layout when they see the change notice, which can be after an immediate
// restore, and would then read the key as nothing. Only keycodes still holding what was
// put there are given back; one changed by someone else meanwhile is left alone.
//
// A copy of the program that is killed cannot give its keycodes back, so each copy keeps a
// ledger of what it has lent on the display itself: a property of the root window, named after
// the copy, which also owns a selection of that name while its connection lives. The server
// drops the selection of a client that goes; a ledger whose selection has no owner is a dead
// copy's, and a start gives back its keycodes that still hold exactly what it put there.
class SpareKeycodes {
public:
    explicit SpareKeycodes(Display* display);
    ~SpareKeycodes();
    SpareKeycodes(const SpareKeycodes&) = delete;
    SpareKeycodes& operator=(const SpareKeycodes&) = delete;

    // A keycode that gives the keysym with or without Shift, bound now if need be; 0 when no
    // keycode is free or the server refused.
    unsigned Bind(Keysym keysym);
    // The keycode bound to the keysym, 0 if none (for the release of a bound key).
    unsigned Bound(Keysym keysym) const;
    // True for keycodes lent out here: their keysyms are not the layout's.
    bool Owns(unsigned keycode) const;

private:
    struct Slot {
        unsigned keycode = 0;
        Keysym keysym = kNoKeysym;
        std::uint64_t lastUse = 0;
    };

    class KeyboardMapping;

    static bool StillHolds(const KeyboardMapping& mapping, const Slot& slot);
    unsigned FreeKeycode(const KeyboardMapping& mapping) const;
    bool Map(unsigned keycode, Keysym keysym);
    void Unmap(unsigned keycode);
    void TakeBackLeftovers();
    std::vector<Slot> ReadLedger(Atom ledger) const;
    void WriteLedger();

    Display* display_;
    Window ledgerOwner_ = 0;
    Atom ledger_ = 0;
    int minKeycode_ = 0;
    int maxKeycode_ = 0;
    std::vector<Slot> slots_;
    std::uint64_t uses_ = 0;
};

}  // namespace qm::x11
