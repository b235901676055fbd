#pragma once

#include <cstdint>
#include <string>

#include "ports/LineSettings.h"

namespace qm {

// What every serial control refuses before it touches a device, raised as RaisedError with the
// control's own error numbers and `source` naming the control.

// A port number can change only while the port is closed, and numbers begin at 1.
void CheckCommPort(std::int16_t port, bool open, const char* source);
// The settings text parsed, with the character lengths a UART knows (5 to 8 data bits).
LineSettings CheckedLineSettings(const std::string& text, const char* source);
// None, Xon/Xoff or RTS/CTS.
void CheckHandshaking(std::int32_t handshaking, const char* source);

}  // namespace qm
