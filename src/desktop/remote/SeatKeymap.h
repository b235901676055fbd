#pragma once

#include <functional>
#include <string>

namespace qm {

// The keymap the compositor gives its clients' keyboards, in XKB's text form, read once over
// a Wayland connection of its own; empty when there is no Wayland display or no keyboard.
// A seat with no keyboard yet (a headless compositor, whose only keyboard is the remote one)
// gets one once a key has been sent: wakeKeyboard sends one, and the seat is then watched for
// a keyboard for up to half a second.
std::string ReadSeatKeymap(const std::function<void()>& wakeKeyboard);

}  // namespace qm
