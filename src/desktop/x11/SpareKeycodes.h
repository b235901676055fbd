#pragma once

#include <X11/Xlib.h>

#include <bitset>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "desktop/keysyms/AnsiKeysym.h"
#include "desktop/x11/CopyLedger.h"

namespace qm::x11 {

// Borrows keycodes the layout leaves empty to type characters the layout has no key for.
//
// A layout leaves few keycodes empty (19 on a common one), so each lent keycode carries two
// characters, one without Shift and one with it. A binding stays until the place is needed for
// another character or this object goes: clients read the layout when they come to a key event
// or see the change notice, which can be long after the event on a busy machine, and would read
// the keycode as it is bound by then. So a keycode is rebound only once no key event has been
// sent on it for a quiet time; when every lent keycode is that busy, the next character waits for
// the first to fall quiet. Only keycodes still holding what was put there are given back; one
// changed by someone else meanwhile is left alone.
//
// A copy of the program that is killed cannot give its keycodes back, so each copy keeps a
// ledger of what it has lent on the display itself (CopyLedger), and a start gives back a dead
// copy's keycodes that still hold exactly what it put there.
class SpareKeycodes {
public:
    using Clock = std::chrono::steady_clock;
    // Long enough for an xterm on a machine whose cores are all busy to have read the key events
    // sent before a rebinding: in bursts of every character on five layouts under a load of 8 on
    // two cores, 200 ms let some through wrong and 300 ms none; this leaves room above that. Only
    // more than twice as many characters the layout lacks as it has free keycodes, within this
    // time, ever wait for it.
    static constexpr std::chrono::milliseconds kQuietTime{500};

    struct Timing {
        Clock::duration quiet = kQuietTime;
        std::function<Clock::time_point()> now = [] { return Clock::now(); };
        std::function<void(Clock::time_point)> sleepUntil;  // none: the thread sleeps
    };
    // The levels of a lent keycode a character may be typed at.
    enum class Reach {
        Either,   // Shift is pressed for the Shift level if need be
        Shifted,  // Shift is held
        Plain,    // Shift cannot be pressed
    };
    // A keycode that gives a keysym (0: none could be had), and whether it gives it only with Shift.
    struct Place {
        unsigned keycode = 0;
        bool shift = false;
    };

    explicit SpareKeycodes(Display* display);
    SpareKeycodes(Display* display, Timing timing);
    ~SpareKeycodes();
    SpareKeycodes(const SpareKeycodes&) = delete;
    SpareKeycodes& operator=(const SpareKeycodes&) = delete;

    // A place for a character's keysym within reach, bound now if need be; held keycodes (keys
    // down now) are never rebound. May wait for a keycode to fall quiet, after sending what is
    // waiting in the connection's buffer.
    Place BindCharacter(Keysym keysym, Reach reach, const std::bitset<256>& held);
    // A keycode that gives the keysym at both levels, as a key held with any modifiers must.
    unsigned BindKey(Keysym keysym, const std::bitset<256>& held);
    // A key event was sent on the keycode (any keycode may be named).
    void Sent(unsigned keycode);
    // The server announced a change of the keyboard: the lent keycodes are read back before they
    // are trusted again.
    void KeyboardChanged() { checked_ = false; }
    // True for keycodes lent out here: their keysyms are not the layout's.
    bool Owns(unsigned keycode) const;
    // Counts the changes made to lent keycodes and the lent keycodes dropped, so that answers
    // found before can be told from current ones.
    std::uint64_t Changes() const { return changes_; }

private:
    struct Slot {
        unsigned keycode = 0;
        Keysym keysyms[2] = {kNoKeysym, kNoKeysym};  // without and with Shift
        bool key = false;                            // a key's: both levels stay one keysym
        Clock::time_point sent{};                    // the last key event on it
        std::uint64_t wanted[2] = {0, 0};            // when each level was last asked for
    };

    class KeyboardMapping;

    static bool StillHolds(const KeyboardMapping& mapping, const Slot& slot);
    void Check();
    Place Find(Keysym keysym, Reach reach);
    // Binds keysyms to a free keycode, or to one level of a quiet lent one for a character (the
    // other for a key), waiting for one to fall quiet if none is; the slot, or null.
    Slot* Lend(Keysym keysym, bool key, Reach reach, const std::bitset<256>& held, int& level);
    bool Rebind(Slot& slot, Keysym plain, Keysym shifted);
    unsigned FreeKeycode(const KeyboardMapping& mapping) const;
    bool Map(unsigned keycode, const Keysym (&keysyms)[2]);
    void Unmap(unsigned keycode);
    void TakeBackLeftovers();
    void WriteLedger();

    Display* display_;
    Timing timing_;
    CopyLedger ledger_;
    int minKeycode_ = 0;
    int maxKeycode_ = 0;
    std::vector<Slot> slots_;
    std::uint64_t asks_ = 0;
    std::uint64_t changes_ = 0;
    bool checked_ = false;  // the slots were read back after the last change notice
};

}  // namespace qm::x11
