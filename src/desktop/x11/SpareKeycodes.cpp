#include "desktop/x11/SpareKeycodes.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "desktop/x11/XErrorTrap.h"

namespace qm::x11 {

namespace {

constexpr std::string_view kLedgerPrefix = "_QUILLMOTION_SPARE_KEYCODES_";

}  // namespace

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
    const KeySym* Entry(int keycode) const {
        return keysyms_ + static_cast<std::ptrdiff_t>(keycode - first_) * perKeycode_;
    }

    int first_;
    int count_ = 0;
    int perKeycode_ = 0;
    KeySym* keysyms_ = nullptr;
};

SpareKeycodes::SpareKeycodes(Display* display) : display_(display) {
    XDisplayKeycodes(display_, &minKeycode_, &maxKeycode_);
    XErrorTrap trap(display_);
    // The ledger's name must not be one a live or a dead copy has: the process and a window id
    // of this connection together are not.
    ledgerOwner_ = XCreateWindow(display_, DefaultRootWindow(display_), -1, -1, 1, 1, 0, 0, InputOnly,
                                 CopyFromParent, 0, nullptr);
    const std::string name =
        std::string(kLedgerPrefix) + std::to_string(::getpid()) + "_" + std::to_string(ledgerOwner_);
    ledger_ = XInternAtom(display_, name.c_str(), False);
    // Owned before anything is written to the ledger, so no start takes a live copy for dead.
    XSetSelectionOwner(display_, ledger_, ledgerOwner_, CurrentTime);
    TakeBackLeftovers();
}

SpareKeycodes::~SpareKeycodes() {
    XErrorTrap trap(display_);
    if (!slots_.empty()) {
        const KeyboardMapping mapping(display_, minKeycode_, maxKeycode_ - minKeycode_ + 1);
        for (const Slot& slot : slots_) {
            if (StillHolds(mapping, slot)) {
                Unmap(slot.keycode);
            }
        }
    }
    XDeleteProperty(display_, DefaultRootWindow(display_), ledger_);
    XDestroyWindow(display_, ledgerOwner_);
    trap.Failed();
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

    // The ledger names a keycode before it is bound, so a copy killed in between leaves
    // nothing behind that the next start would not know of.
    auto slot = slots_.end();
    if (const unsigned keycode = FreeKeycode(mapping); keycode != 0) {
        slot = slots_.insert(slots_.end(), Slot{keycode, keysym, 0});
    } else if (!slots_.empty()) {
        slot = std::min_element(slots_.begin(), slots_.end(),
                                [](const Slot& a, const Slot& b) { return a.lastUse < b.lastUse; });
        slot->keysym = keysym;
    } else {
        return 0;
    }
    slot->lastUse = ++uses_;
    const unsigned keycode = slot->keycode;
    WriteLedger();
    if (!Map(keycode, keysym)) {
        slots_.erase(slot);
        WriteLedger();
        return 0;
    }
    return keycode;
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
    // From the top: the highest keycodes are the ones no keyboard has.
    for (int keycode = maxKeycode_; keycode >= minKeycode_; --keycode) {
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

void SpareKeycodes::Unmap(unsigned keycode) {
    KeySym none = NoSymbol;
    XChangeKeyboardMapping(display_, static_cast<int>(keycode), 1, &none, 1);
}

void SpareKeycodes::TakeBackLeftovers() {
    const Window root = DefaultRootWindow(display_);
    int count = 0;
    Atom* properties = XListProperties(display_, root, &count);
    if (properties == nullptr) {
        return;
    }
    const KeyboardMapping mapping(display_, minKeycode_, maxKeycode_ - minKeycode_ + 1);
    char down[32];
    XQueryKeymap(display_, down);
    for (int i = 0; i < count; ++i) {
        char* name = XGetAtomName(display_, properties[i]);
        const bool ledger = name != nullptr && std::string_view(name).starts_with(kLedgerPrefix);
        if (name != nullptr) {
            XFree(name);
        }
        if (!ledger || XGetSelectionOwner(display_, properties[i]) != None) {
            continue;
        }
        for (const Slot& slot : ReadLedger(properties[i])) {
            if (StillHolds(mapping, slot)) {
                // A copy killed between press and release leaves the key down.
                if (slot.keycode < 256 && (down[slot.keycode / 8] & (1 << (slot.keycode % 8))) != 0) {
                    XTestFakeKeyEvent(display_, slot.keycode, False, CurrentTime);
                }
                Unmap(slot.keycode);
            }
        }
        XDeleteProperty(display_, root, properties[i]);
    }
    XFree(properties);
}

// A ledger is a list of 32-bit numbers, keycode and keysym in turn.
std::vector<SpareKeycodes::Slot> SpareKeycodes::ReadLedger(Atom ledger) const {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<Slot> slots;
    if (XGetWindowProperty(display_, DefaultRootWindow(display_), ledger, 0, 1024, False, XA_INTEGER, &type,
                           &format, &count, &after, &data) == Success &&
        type == XA_INTEGER && format == 32) {
        // Xlib hands 32-bit items over as longs.
        const auto* numbers = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i + 1 < count; i += 2) {
            slots.push_back(Slot{static_cast<unsigned>(numbers[i]), static_cast<Keysym>(numbers[i + 1]), 0});
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return slots;
}

void SpareKeycodes::WriteLedger() {
    std::vector<long> numbers;
    for (const Slot& slot : slots_) {
        numbers.push_back(static_cast<long>(slot.keycode));
        numbers.push_back(static_cast<long>(slot.keysym));
    }
    XChangeProperty(display_, DefaultRootWindow(display_), ledger_, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(numbers.data()), static_cast<int>(numbers.size()));
}

}  // namespace qm::x11
