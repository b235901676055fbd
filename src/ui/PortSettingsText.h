#pragma once

#include <cstdint>
#include <string>

namespace qm {

// The conversions the Properties window applies to the texts of its line-setting lists.
// Numbers are read the way the window has always read them: optional blanks, an optional sign,
// decimal digits with an optional point and exponent. Anything else is not a number.

bool IsNumeric(const std::string& text);

// The text's value; a text that is not a number raises a type-mismatch error.
double ToDouble(const std::string& text);

// The text's value rounded to a 32-bit whole number, halves to the even neighbour
// (2.5 -> 2, 3.5 -> 4). Not a number: type mismatch; outside 32 bits: overflow.
std::int32_t ToWholeNumber(const std::string& text);
std::int32_t RoundToWholeNumber(double value);

// Stop bits. The setting is a whole number, so "1.5" is kept as the code 15, while "1" and "2"
// keep their own values: a stored 1 or 2 reads the same to every version of the program.
inline constexpr std::int32_t kStopBitsOneAndHalf = 15;

// The list text for a stored value ("1", "1.5", "2"; any other value as its decimal text).
std::string StopBitsText(std::int32_t stored);
// The stored value for a list text; raises as ToWholeNumber for a text that is not a number.
std::int32_t StopBitsStored(const std::string& text);
// The number of stop bits a stored value means (15 -> 1.5).
double StopBitsValue(std::int32_t stored);

// The letter the serial control takes for a parity name: its first character in lower case
// ("Space" -> 's'). An empty name gives an empty text.
std::string ParityLetter(const std::string& parityName);

}  // namespace qm
