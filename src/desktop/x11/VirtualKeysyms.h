#pragma once

#include <cstdint>
#include <vector>

#include "desktop/x11/AnsiKeysym.h"

namespace qm::x11 {

// The keysyms an X layout carries for a Windows virtual key, the most fitting first (right Alt:
// the level-three shift where the layout has one, else Alt_R). None for a virtual key X has no
// keysym for.
std::vector<Keysym> KeysymsForVirtualKey(std::uint8_t vk);

}  // namespace qm::x11
