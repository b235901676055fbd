#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

class SettingsRecord;

// With Xon/Xoff handshaking the serial line keeps XON (17) and XOFF (19) for itself: they start
// and stop the flow and never reach the program, so an action given either code cannot happen.
inline constexpr std::int16_t kXonCode = 17;
inline constexpr std::int16_t kXoffCode = 19;

// True when code never arrives under handshaking (the serial control's Handshaking value).
bool SwallowedByHandshaking(std::int32_t code, std::int32_t handshaking);

// "XON" or "XOFF" for their codes, empty for any other.
std::string FlowControlCodeName(std::int32_t code);

struct XonXoffConflict {
    const char* setting;  // the code's setting name, e.g. "RIGHT_DCLICK_ASCII"
    const char* action;   // what it does, for a message: "right double click"
    std::int32_t code;
};

// The configured actions whose codes the handshaking swallows, in the settings' layout order;
// empty for any handshaking but Xon/Xoff.
std::vector<XonXoffConflict> XonXoffConflicts(const SettingsRecord& settings, std::int32_t handshaking);

}  // namespace qm
