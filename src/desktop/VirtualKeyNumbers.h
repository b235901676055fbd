#pragma once

#include <cstdint>
#include <optional>

#include "desktop/Key.h"

namespace qm {

// Windows numbers its keys itself (virtual keys). The program meets those numbers in two places
// only: a device that names a key by number, and the Windows backend that presses it; both read
// this one table, so that a device programmed for one system works on the other.

// The key's virtual-key number.
std::uint8_t VirtualKeyNumber(Key key);

// The key a virtual-key number stands for; nothing for a number no key has (reserved and
// unassigned numbers, and the punctuation keys, whose characters depend on the layout).
std::optional<Key> KeyForVirtualKey(std::uint8_t vk);

}  // namespace qm
