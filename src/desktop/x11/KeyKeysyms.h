#pragma once

#include <cstdint>
#include <vector>

#include "desktop/Key.h"
#include "desktop/x11/AnsiKeysym.h"

namespace qm::x11 {

// The keysyms an X layout carries for a key, the most fitting first (right Alt: the level-three
// shift where the layout has one, else Alt_R).
std::vector<Keysym> KeysymsForKey(Key key);

}  // namespace qm::x11
