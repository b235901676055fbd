#pragma once

#include <string>

namespace qm {

// The user's configuration folder: $XDG_CONFIG_HOME when it holds an absolute path, else
// ~/.config.
std::string XdgConfigHome();

}  // namespace qm
