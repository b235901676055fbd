#pragma once

#include <cstdint>
#include <vector>

namespace qm {

// X keysyms are plain numbers here, so this stays free of the X headers.
using Keysym = std::uint32_t;

inline constexpr Keysym kNoKeysym = 0;

// The keysym that types a Unicode character: Latin-1 characters are their own keysyms, the
// line controls are their keys (CR and LF Return, 8 and 127 BackSpace, 9 Tab, 27 Escape), the
// other characters of Windows-1252 their classic keysyms (EuroSign, endash, ...) where X has
// one, everything else the Unicode keysym 0x1000000 + code point. kNoKeysym for the other
// control characters (C0 and C1), which no key types, and for a UTF-16 surrogate.
Keysym KeysymForUnicode(char32_t codePoint);

// The keysyms a keyboard layout may carry for a Windows-1252 character: the one above and,
// for a classic keysym, the Unicode keysym as well (layouts use either). None for a control
// character without a key.
std::vector<Keysym> KeysymsForAnsi(unsigned char character);

}  // namespace qm
