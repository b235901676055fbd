#pragma once

#include <cstdint>
#include <string>

namespace qm {

// Windows-1252, the ANSI code page that every text of the core is held in.
// The five bytes that code page leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) map to the C1
// controls of the same number, as Windows itself does, so every byte has a code point.
char32_t Cp1252ToUnicode(unsigned char byte);

// The byte for a code point, or -1 when Windows-1252 has none.
int UnicodeToCp1252(char32_t codePoint);

// UTF-8 <-> Windows-1252 for whole texts (characters with no byte become '?').
std::string Utf8FromCp1252(const std::string& ansi);
std::string Cp1252FromUtf8(const std::string& utf8);

}  // namespace qm
