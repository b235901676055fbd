#pragma once

#include <cstdint>
#include <vector>

#include "desktop/Key.h"
#include "desktop/keysyms/AnsiKeysym.h"

namespace qm {

// The keysyms an X layout carries for a key, the most fitting first (right Alt: the level-three
// shift where the layout has one, else Alt_R).
std::vector<Keysym> KeysymsForKey(Key key);

}  // namespace qm
