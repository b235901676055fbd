#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace qm::x11 {

// A list of numbers that a copy of the program keeps on the display itself, so that the next start
// can put right what a copy that was killed left behind. It is a property of the root window, which
// outlives the copy's connection, named after the copy; the copy also owns a selection of that name
// while its connection lives. The server drops the selection of a client that goes: a ledger whose
// selection has no owner is a dead copy's.
class CopyLedger {
public:
    // prefix: what every ledger of this kind is named with, the copy's own name following it.
    CopyLedger(Display* display, const std::string& prefix);
    // Removes the ledger: the copy has put right what it listed.
    ~CopyLedger();
    CopyLedger(const CopyLedger&) = delete;
    CopyLedger& operator=(const CopyLedger&) = delete;

    // Replaces the list; sent with the connection's next requests, before those that follow.
    void Write(const std::vector<long>& numbers);
    Atom Name() const { return name_; }

    // The lists of the dead copies' ledgers of this kind, which are removed from the display.
    static std::vector<std::vector<long>> TakeDead(Display* display, const std::string& prefix);

private:
    Display* display_;
    Window owner_ = 0;
    Atom name_ = 0;
};

}  // namespace qm::x11
