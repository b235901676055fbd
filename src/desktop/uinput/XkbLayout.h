#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>

namespace qm::uinput {

// An XKB keyboard layout as its names give it (the RMLVO names without rules and model).
struct XkbNames {
    std::string layout;  // "de", or a list such as "us,de"
    std::string variant;
    std::string options;
};

// The session's layout: the names given when they name one, else those the XKB_DEFAULT_*
// variables name, else the system's keyboard settings (XKBLAYOUT and the rest in keyboardFile),
// else plain "us".
XkbNames SessionXkbNames(const XkbNames& given, const std::string& keyboardFile = "/etc/default/keyboard");

// The key that types a character, by its kernel code, and the modifiers it needs.
struct CharacterKey {
    std::uint16_t code = 0;
    bool shift = false;
    bool levelThree = false;  // AltGr
};

// What a layout's keys type, read once with libxkbcommon: the compositor turns a virtual
// keyboard's codes into characters with the session's layout, as it does a real keyboard's. A
// character comes from the key that types it with the fewest modifiers: none, Shift, AltGr
// (only where right Alt is the level-three shift), Shift and AltGr. Dead keys type nothing by
// themselves, so a character only a dead key makes has no key here. Only the first layout of a
// list is read: a switch of group in the session is not seen.
class XkbLayout {
public:
    // A layout XKB does not know is traced and "us" taken instead; throws RaisedError when not
    // even that can be read (the XKB data is not installed).
    explicit XkbLayout(const XkbNames& names);

    const std::optional<CharacterKey>& KeyFor(unsigned char character) const {
        return characters_[character];
    }
    // Whether the key with this kernel code types or does anything on the layout.
    bool HasSymbol(std::uint16_t code) const { return code < withSymbol_.size() && withSymbol_[code]; }

private:
    std::array<std::optional<CharacterKey>, 256> characters_{};
    std::bitset<256> withSymbol_;  // by kernel code
};

}  // namespace qm::uinput
