#include "desktop/x11/SpareKeycodes.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "desktop/x11/InputState.h"
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
    // Gives these keysyms without and with Shift and nothing else (the server may repeat them in
    // other columns, and leave out a Shift level that is the same).
    bool Gives(int keycode, Keysym plain, Keysym shifted) const {
        const KeySym* entry = Entry(keycode);
        const auto is = [](KeySym each, Keysym keysym) { return each == static_cast<KeySym>(keysym); };
        return perKeycode_ > 0 && is(entry[0], plain) &&
               (perKeycode_ < 2 || is(entry[1], shifted) || (plain == shifted && entry[1] == NoSymbol)) &&
               std::all_of(entry, entry + perKeycode_, [&](KeySym each) {
                   return each == NoSymbol || is(each, plain) || is(each, shifted);
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

SpareKeycodes::SpareKeycodes(Display* display) : SpareKeycodes(display, Timing{}) {}

SpareKeycodes::SpareKeycodes(Display* display, Timing timing)
    : display_(display), timing_(std::move(timing)), ledger_(display, std::string(kLedgerPrefix)) {
    if (!timing_.sleepUntil) {
        timing_.sleepUntil = [](Clock::time_point until) { std::this_thread::sleep_until(until); };
    }
    XDisplayKeycodes(display_, &minKeycode_, &maxKeycode_);
    XErrorTrap trap(display_);
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
    trap.Failed();
}

SpareKeycodes::Place SpareKeycodes::BindCharacter(Keysym keysym, Reach reach, const std::bitset<256>& held) {
    if (keysym == kNoKeysym) {
        return {};
    }
    Check();
    if (const Place place = Find(keysym, reach); place.keycode != 0) {
        return place;
    }
    int level = 0;
    Slot* slot = Lend(keysym, false, reach, held, level);
    if (slot == nullptr) {
        return {};
    }
    slot->wanted[level] = ++asks_;
    return {slot->keycode, slot->keysyms[0] != keysym};
}

unsigned SpareKeycodes::BindKey(Keysym keysym, const std::bitset<256>& held) {
    if (keysym == kNoKeysym) {
        return 0;
    }
    Check();
    int level = 0;
    Slot* slot = nullptr;
    for (Slot& each : slots_) {
        if (each.keysyms[0] == keysym && each.keysyms[1] == keysym) {
            slot = &each;
        }
    }
    if (slot == nullptr && (slot = Lend(keysym, true, Reach::Either, held, level)) == nullptr) {
        return 0;
    }
    slot->key = true;
    slot->wanted[0] = slot->wanted[1] = ++asks_;
    return slot->keycode;
}

void SpareKeycodes::Sent(unsigned keycode) {
    for (Slot& slot : slots_) {
        if (slot.keycode == keycode) {
            slot.sent = timing_.now();
        }
    }
}

bool SpareKeycodes::Owns(unsigned keycode) const {
    return std::any_of(slots_.begin(), slots_.end(),
                       [keycode](const Slot& slot) { return slot.keycode == keycode; });
}

bool SpareKeycodes::StillHolds(const KeyboardMapping& mapping, const Slot& slot) {
    const int keycode = static_cast<int>(slot.keycode);
    return mapping.Holds(keycode) && mapping.Gives(keycode, slot.keysyms[0], slot.keysyms[1]);
}

void SpareKeycodes::Check() {
    if (checked_) {
        return;
    }
    // Keycodes someone else has taken over meanwhile are no longer ours to use or restore.
    const KeyboardMapping mapping(display_, minKeycode_, maxKeycode_ - minKeycode_ + 1);
    if (std::erase_if(slots_, [&mapping](const Slot& slot) { return !StillHolds(mapping, slot); }) > 0) {
        ++changes_;
    }
    checked_ = true;
}

SpareKeycodes::Place SpareKeycodes::Find(Keysym keysym, Reach reach) {
    for (Slot& slot : slots_) {
        for (int level = 0; level < 2; ++level) {
            // A keysym at both levels is within any reach.
            const bool within = slot.keysyms[1 - level] == keysym ||
                                (level == 0 ? reach != Reach::Shifted : reach != Reach::Plain);
            if (slot.keysyms[level] == keysym && within) {
                slot.wanted[level] = ++asks_;
                return {slot.keycode, level == 1 && slot.keysyms[0] != keysym};
            }
        }
    }
    return {};
}

namespace {

// XKB gives a keycode whose keysyms are a lower-case and an upper-case letter the alphabetic type,
// on which Caps Lock chooses the Shift level: a pair that is not one letter's two cases would
// then type the other character.
bool Pairable(Keysym plain, Keysym shifted) {
    KeySym lower = NoSymbol;
    KeySym upper = NoSymbol;
    XConvertCase(plain, &lower, &upper);
    const bool plainLower = lower != upper && lower == plain;
    const KeySym upperOfPlain = upper;
    XConvertCase(shifted, &lower, &upper);
    const bool shiftedUpper = lower != upper && upper == shifted;
    return !(plainLower && shiftedUpper) || upperOfPlain == shifted;
}

}  // namespace

SpareKeycodes::Slot* SpareKeycodes::Lend(Keysym keysym, bool key, Reach reach, const std::bitset<256>& held,
                                         int& level) {
    while (true) {
        const KeyboardMapping mapping(display_, minKeycode_, maxKeycode_ - minKeycode_ + 1);
        if (std::erase_if(slots_, [&mapping](const Slot& slot) { return !StillHolds(mapping, slot); }) > 0) {
            ++changes_;
        }
        checked_ = true;
        // A free keycode first: no key event on it can be waiting to be read.
        if (const unsigned keycode = FreeKeycode(mapping); keycode != 0) {
            slots_.push_back(Slot{keycode, {kNoKeysym, kNoKeysym}, key, {}, {0, 0}});
            level = 0;
            return Rebind(slots_.back(), keysym, keysym) ? &slots_.back() : nullptr;
        }
        // Then a level of a quiet keycode that is not down: the Shift level of one whose character
        // is at both loses nothing, else the level asked for least lately.
        const Clock::time_point now = timing_.now();
        std::optional<Clock::time_point> firstQuiet;
        Slot* best = nullptr;
        int bestLevel = 0;
        std::uint64_t bestRank = 0;
        for (Slot& slot : slots_) {
            if (held[slot.keycode]) {
                continue;
            }
            if (const Clock::time_point quiet = slot.sent + timing_.quiet; quiet > now) {
                firstQuiet = std::min(firstQuiet.value_or(quiet), quiet);
                continue;
            }
            // A key's keycode, or one taken for a key, is bound whole.
            const int levels = key || slot.key ? 1 : 2;
            for (int each = 0; each < levels; ++each) {
                const Keysym plain = levels == 1 || each == 0 ? keysym : slot.keysyms[0];
                const Keysym shifted = levels == 1 || each == 1 ? keysym : slot.keysyms[1];
                const bool within =
                    plain == shifted || (each == 0 ? reach != Reach::Shifted : reach != Reach::Plain);
                if (!within || !Pairable(plain, shifted)) {
                    continue;
                }
                const bool spare = levels == 2 && slot.keysyms[0] == slot.keysyms[1];
                const std::uint64_t rank =
                    spare ? (each == 1 ? 0 : 1)
                          : 2 + (levels == 1 ? std::max(slot.wanted[0], slot.wanted[1]) : slot.wanted[each]);
                if (best == nullptr || rank < bestRank) {
                    best = &slot;
                    bestLevel = each;
                    bestRank = rank;
                }
            }
        }
        if (best != nullptr) {
            const bool whole = key || best->key;
            const Keysym plain = whole || bestLevel == 0 ? keysym : best->keysyms[0];
            const Keysym shifted = whole || bestLevel == 1 ? keysym : best->keysyms[1];
            best->key = key;
            level = bestLevel;
            return Rebind(*best, plain, shifted) ? best : nullptr;
        }
        if (!firstQuiet) {
            return nullptr;  // nothing lent, or all of it down
        }
        // The key events sent so far reach the clients while this waits.
        XFlush(display_);
        timing_.sleepUntil(*firstQuiet);
    }
}

bool SpareKeycodes::Rebind(Slot& slot, Keysym plain, Keysym shifted) {
    // The ledger names a keycode before it is bound, so a copy killed in between leaves
    // nothing behind that the next start would not know of.
    slot.keysyms[0] = plain;
    slot.keysyms[1] = shifted;
    ++changes_;
    WriteLedger();
    const Keysym keysyms[2] = {plain, shifted};
    if (!Map(slot.keycode, keysyms)) {
        const unsigned keycode = slot.keycode;
        std::erase_if(slots_, [keycode](const Slot& each) { return each.keycode == keycode; });
        WriteLedger();
        return false;
    }
    return true;
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

bool SpareKeycodes::Map(unsigned keycode, const Keysym (&keysyms)[2]) {
    XErrorTrap trap(display_);
    KeySym both[2] = {keysyms[0], keysyms[1]};
    XChangeKeyboardMapping(display_, static_cast<int>(keycode), 2, both, 1);
    return !trap.Failed();
}

void SpareKeycodes::Unmap(unsigned keycode) {
    KeySym none = NoSymbol;
    XChangeKeyboardMapping(display_, static_cast<int>(keycode), 1, &none, 1);
}

void SpareKeycodes::TakeBackLeftovers() {
    const std::vector<std::vector<long>> ledgers = CopyLedger::TakeDead(display_, std::string(kLedgerPrefix));
    if (ledgers.empty()) {
        return;
    }
    const KeyboardMapping mapping(display_, minKeycode_, maxKeycode_ - minKeycode_ + 1);
    const KeysDown down(display_);
    for (const std::vector<long>& numbers : ledgers) {
        // Keycode, keysym without Shift and keysym with it, in turn.
        for (std::size_t i = 0; i + 2 < numbers.size(); i += 3) {
            Slot slot;
            slot.keycode = static_cast<unsigned>(numbers[i]);
            slot.keysyms[0] = static_cast<Keysym>(numbers[i + 1]);
            slot.keysyms[1] = static_cast<Keysym>(numbers[i + 2]);
            if (StillHolds(mapping, slot)) {
                // A copy killed between press and release leaves the key down.
                if (down.Holds(slot.keycode)) {
                    XTestFakeKeyEvent(display_, slot.keycode, False, CurrentTime);
                }
                Unmap(slot.keycode);
            }
        }
    }
}

void SpareKeycodes::WriteLedger() {
    std::vector<long> numbers;
    for (const Slot& slot : slots_) {
        numbers.push_back(static_cast<long>(slot.keycode));
        numbers.push_back(static_cast<long>(slot.keysyms[0]));
        numbers.push_back(static_cast<long>(slot.keysyms[1]));
    }
    ledger_.Write(numbers);
}

}  // namespace qm::x11
