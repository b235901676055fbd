#include "desktop/keysyms/AnsiKeysym.h"

#include <array>
#include <utility>

#include "diag/Cp1252.h"

namespace qm {

namespace {

constexpr Keysym kReturn = 0xff0d;
constexpr Keysym kBackSpace = 0xff08;
constexpr Keysym kTab = 0xff09;
constexpr Keysym kEscape = 0xff1b;
constexpr Keysym kUnicodeBase = 0x1000000;

// Keysyms older than the Unicode ones, which layouts still use for these characters.
constexpr std::array<std::pair<char32_t, Keysym>, 22> kLegacyKeysyms = {{
    {U'\u20AC', 0x20ac},  // EuroSign
    {U'\u201A', 0x0afd},  // singlelowquotemark
    {U'\u0192', 0x08f6},  // function
    {U'\u201E', 0x0afe},  // doublelowquotemark
    {U'\u2026', 0x0aae},  // ellipsis
    {U'\u2020', 0x0af1},  // dagger
    {U'\u2021', 0x0af2},  // doubledagger
    {U'\u2030', 0x0ad5},  // permille
    {U'\u0160', 0x01a9},  // Scaron
    {U'\u0152', 0x13bc},  // OE
    {U'\u017D', 0x01ae},  // Zcaron
    {U'\u2018', 0x0ad0},  // leftsinglequotemark
    {U'\u2019', 0x0ad1},  // rightsinglequotemark
    {U'\u201C', 0x0ad2},  // leftdoublequotemark
    {U'\u201D', 0x0ad3},  // rightdoublequotemark
    {U'\u2013', 0x0aaa},  // endash
    {U'\u2014', 0x0aa9},  // emdash
    {U'\u2122', 0x0ac9},  // trademark
    {U'\u0161', 0x01b9},  // scaron
    {U'\u0153', 0x13bd},  // oe
    {U'\u017E', 0x01be},  // zcaron
    {U'\u0178', 0x13be},  // Ydiaeresis
}};

}  // namespace

Keysym KeysymForUnicode(char32_t codePoint) {
    switch (codePoint) {
        case U'\r':
        case U'\n':
            return kReturn;
        case U'\b':
        case U'\x7f':  // Ctrl+Backspace makes it on Windows; the key alone is the nearest
            return kBackSpace;
        case U'\t':
            return kTab;
        case U'\x1b':
            return kEscape;
        default:
            break;
    }
    if ((codePoint >= 0x20 && codePoint <= 0x7e) || (codePoint >= 0xa0 && codePoint <= 0xff)) {
        return codePoint;
    }
    // The other controls, among them the bytes Windows-1252 leaves undefined, are made by no key:
    // a keysym made up for one reaches applications as a key that types nothing.
    if (codePoint < 0x20 || (codePoint >= 0x7f && codePoint <= 0x9f)) {
        return kNoKeysym;
    }
    if ((codePoint >= 0xd800 && codePoint <= 0xdfff) || codePoint > 0x10ffff) {
        return kNoKeysym;
    }
    for (const auto& [unicode, legacy] : kLegacyKeysyms) {
        if (unicode == codePoint) {
            return legacy;
        }
    }
    return kUnicodeBase + codePoint;
}

std::vector<Keysym> KeysymsForAnsi(unsigned char character) {
    const char32_t codePoint = Cp1252ToUnicode(character);
    const Keysym keysym = KeysymForUnicode(codePoint);
    if (keysym == kNoKeysym) {
        return {};
    }
    std::vector<Keysym> keysyms{keysym};
    if (codePoint > 0xff && keysyms.front() != kUnicodeBase + codePoint) {
        keysyms.push_back(kUnicodeBase + codePoint);
    }
    return keysyms;
}

}  // namespace qm
