#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

enum class Parity : char { None = 'n', Even = 'e', Odd = 'o', Mark = 'm', Space = 's' };
enum class StopBits { One, OneAndHalf, Two };

// The serial line settings text ("2400,n,8,1") and what it stands for. Parsing is strict:
// a text that cannot be read exactly is refused, never replaced by a default. Which of the
// combinations it can carry a serial driver takes is for the controls to say (SerialChecks.h).
struct LineSettings {
    std::int32_t baudRate = 9600;
    Parity parity = Parity::None;
    std::int32_t dataBits = 8;
    StopBits stopBits = StopBits::One;

    // Throws RaisedError comInvalidPropertyValue with the reason in its description.
    static LineSettings Parse(std::string_view text);
    // The canonical text: lower-case parity, stop bits "1", "1.5" or "2".
    std::string ToString() const;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The baud rate as the serial control takes it: plain decimal digits for a whole number from 1
// to the largest 32-bit value. Blanks, signs, points and exponents are refused (nothing), so a
// box that checks its text with this keeps only rates the control will open with.
std::optional<std::int32_t> ParseBaudRate(std::string_view text);

}  // namespace qm
