#pragma once

#include <X11/Xlib.h>

#include <bitset>

#include "desktop/x11/CopyLedger.h"

namespace qm::x11 {

// The keys and buttons this copy may hold down on the display, kept in a ledger on the display
// (CopyLedger), so that the next start lets go of what a killed copy held: a locked modifier or
// button stays down on the server when its client goes, and nobody else knows to let it go.
//
// Whatever may be down on the server is on record first: a key or button is recorded before its
// first press is sent. The record is brought down to what stays held whenever that changes (a
// modifier or the left button locked or let go); keys typed in between stay on it, so that typing
// does not rewrite it, and the next start lets go only of what is still down.
class HeldInputLedger {
public:
    // Lets go of the keys and buttons that dead copies had on record and that are still down.
    explicit HeldInputLedger(Display* display);
    HeldInputLedger(const HeldInputLedger&) = delete;
    HeldInputLedger& operator=(const HeldInputLedger&) = delete;

    // Before the press of a key (by keycode) or a button (by number).
    void PressingKey(unsigned keycode);
    void PressingButton(unsigned button);
    // Once the requests that leave exactly these down have gone.
    void Sent(const std::bitset<256>& keys, const std::bitset<256>& buttons);

    // What is on record: what may be down, and perhaps keys typed since.
    const std::bitset<256>& Keys() const { return keys_; }
    const std::bitset<256>& Buttons() const { return buttons_; }
    Atom Name() const { return ledger_.Name(); }

private:
    void Write();

    CopyLedger ledger_;
    std::bitset<256> keys_;
    std::bitset<256> buttons_;
    // What stayed held after the last requests.
    std::bitset<256> heldKeys_;
    std::bitset<256> heldButtons_;
};

}  // namespace qm::x11
