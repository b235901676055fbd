#pragma once

#include <cstdint>

#include "desktop/Key.h"

namespace qm::uinput {

// The kernel's code (KEY_*) of the key a PC keyboard has for a program's key: plain Shift, Ctrl
// and Alt are the left ones. 0 for none.
std::uint16_t EvdevCode(Key key);

}  // namespace qm::uinput
