#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ports/LineSettings.h"

namespace qm {

// What every serial control refuses before it touches a device, raised as RaisedError with the
// control's own error numbers and `source` naming the control.

// A port number can change only while the port is closed, and numbers begin at 1.
void CheckCommPort(std::int16_t port, bool open, const char* source);
// The settings text parsed, refused with the reason when the serial drivers cannot honour it.
LineSettings CheckedLineSettings(const std::string& text, const char* source);
// Why the serial drivers refuse settings the text can carry, in words for the user, or nothing.
// A UART knows characters of 5 to 8 bits, sends 1.5 stop bits only with 5-bit characters and 2
// only with longer ones; termios cannot even ask for 1.5 (with 5 data bits its "two" is 1.5), and
// Windows' SetCommState refuses each of these.
std::optional<std::string> DriverRefusal(const LineSettings& settings);
// None, Xon/Xoff or RTS/CTS.
void CheckHandshaking(std::int32_t handshaking, const char* source);

}  // namespace qm
