#pragma once

#include <string>

namespace qm {

// Why the X display Qt is about to open cannot be had, or empty when it can (or when Qt will not
// use X: another platform asked for, or a Wayland session it may choose). Qt itself ends the
// process with a core dump when its X display fails, before the program can say anything.
std::string UnreachableDisplay();

}  // namespace qm
