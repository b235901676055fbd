#include "desktop/x11/HeldInputLedger.h"

#include <X11/extensions/XTest.h>

#include <string>
#include <vector>

#include "desktop/x11/InputState.h"

namespace qm::x11 {

namespace {

const std::string kPrefix = "_QUILLMOTION_HELD_INPUT_";
// Keycodes are listed as themselves, buttons after them.
constexpr long kFirstButton = 256;

// The core protocol tells the state of the first five buttons only; a release of a button that is
// not down does nothing, so the others (a wheel's, never held for long) are simply let go.
bool ButtonDown(unsigned mask, long button) {
    return button > 5 || (mask & (Button1Mask << (button - 1))) != 0;
}

}  // namespace

HeldInputLedger::HeldInputLedger(Display* display) : ledger_(display, kPrefix) {
    const std::vector<std::vector<long>> dead = CopyLedger::TakeDead(display, kPrefix);
    if (dead.empty()) {
        return;
    }
    // Only what is still down: the user may have let go of it by pressing it again.
    const KeysDown keys(display);
    const unsigned mask = QueryPointer(display).buttons;
    for (const std::vector<long>& held : dead) {
        for (const long number : held) {
            if (number >= 0 && number < kFirstButton && keys.Holds(static_cast<unsigned long>(number))) {
                XTestFakeKeyEvent(display, static_cast<unsigned>(number), False, CurrentTime);
            } else if (number > kFirstButton && number < 2 * kFirstButton &&
                       ButtonDown(mask, number - kFirstButton)) {
                XTestFakeButtonEvent(display, static_cast<unsigned>(number - kFirstButton), False,
                                     CurrentTime);
            }
        }
    }
    XFlush(display);
}

void HeldInputLedger::PressingKey(unsigned keycode) {
    if (!keys_[keycode]) {
        keys_[keycode] = true;
        Write();
    }
}

void HeldInputLedger::PressingButton(unsigned button) {
    if (!buttons_[button]) {
        buttons_[button] = true;
        Write();
    }
}

void HeldInputLedger::Sent(const std::bitset<256>& keys, const std::bitset<256>& buttons) {
    if (keys == heldKeys_ && buttons == heldButtons_) {
        return;
    }
    heldKeys_ = keys;
    heldButtons_ = buttons;
    if (keys != keys_ || buttons != buttons_) {
        keys_ = keys;
        buttons_ = buttons;
        Write();
    }
}

void HeldInputLedger::Write() {
    std::vector<long> numbers;
    for (unsigned i = 0; i < keys_.size(); ++i) {
        if (keys_[i]) {
            numbers.push_back(static_cast<long>(i));
        }
    }
    for (unsigned i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i]) {
            numbers.push_back(kFirstButton + static_cast<long>(i));
        }
    }
    ledger_.Write(numbers);
}

}  // namespace qm::x11
