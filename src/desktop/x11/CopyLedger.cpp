#include "desktop/x11/CopyLedger.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <string_view>

#include "desktop/x11/XErrorTrap.h"

namespace qm::x11 {

namespace {

// A ledger is a list of 32-bit numbers.
std::vector<long> ReadLedger(Display* display, Atom ledger) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<long> numbers;
    if (XGetWindowProperty(display, DefaultRootWindow(display), ledger, 0, 1024, False, XA_INTEGER, &type,
                           &format, &count, &after, &data) == Success &&
        type == XA_INTEGER && format == 32) {
        // Xlib hands 32-bit items over as longs.
        const auto* items = reinterpret_cast<const long*>(data);
        numbers.assign(items, items + count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return numbers;
}

}  // namespace

CopyLedger::CopyLedger(Display* display, const std::string& prefix) : display_(display) {
    // The name must not be one a live or a dead copy has: the process and a window id of this
    // connection together are not.
    owner_ = XCreateWindow(display_, DefaultRootWindow(display_), -1, -1, 1, 1, 0, 0, InputOnly,
                           CopyFromParent, 0, nullptr);
    const std::string name = prefix + std::to_string(::getpid()) + "_" + std::to_string(owner_);
    name_ = XInternAtom(display_, name.c_str(), False);
    // Owned before anything is written, so that no start takes a live copy for a dead one.
    XSetSelectionOwner(display_, name_, owner_, CurrentTime);
}

CopyLedger::~CopyLedger() {
    XErrorTrap trap(display_);
    XDeleteProperty(display_, DefaultRootWindow(display_), name_);
    XDestroyWindow(display_, owner_);
    trap.Failed();
}

void CopyLedger::Write(const std::vector<long>& numbers) {
    XChangeProperty(display_, DefaultRootWindow(display_), name_, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(numbers.data()), static_cast<int>(numbers.size()));
}

std::vector<std::vector<long>> CopyLedger::TakeDead(Display* display, const std::string& prefix) {
    const Window root = DefaultRootWindow(display);
    int count = 0;
    Atom* properties = XListProperties(display, root, &count);
    std::vector<std::vector<long>> ledgers;
    if (properties == nullptr) {
        return ledgers;
    }
    for (int i = 0; i < count; ++i) {
        char* name = XGetAtomName(display, properties[i]);
        const bool ours = name != nullptr && std::string_view(name).starts_with(prefix);
        if (name != nullptr) {
            XFree(name);
        }
        if (ours && XGetSelectionOwner(display, properties[i]) == None) {
            ledgers.push_back(ReadLedger(display, properties[i]));
            XDeleteProperty(display, root, properties[i]);
        }
    }
    XFree(properties);
    return ledgers;
}

}  // namespace qm::x11
