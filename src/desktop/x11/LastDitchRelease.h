#pragma once

#include <X11/Xlib.h>

#include <bitset>

namespace qm::x11 {

// Lets go of keys and buttons on a connection when the process is ending without its unload:
// inside a signal handler, or inside exit() called from a library, perhaps from Xlib itself
// with the connection's lock held. Xlib cannot be called there, so the requests are written
// to the connection's socket directly, with async-signal-safe calls only; requests Xlib still
// holds in its buffer are never sent, and nothing may use the connection through Xlib after.
class LastDitchRelease {
public:
    // ledger: a root window property that is removed with the release (0: none).
    LastDitchRelease(Display* display, Atom ledger);

    // Keys by keycode, buttons by number. Does nothing without the XTest extension.
    void Release(const std::bitset<256>& keys, const std::bitset<256>& buttons) const noexcept;

private:
    int socket_ = -1;
    int xtestOpcode_ = 0;
    Window root_ = 0;
    Atom ledger_ = 0;
};

}  // namespace qm::x11
