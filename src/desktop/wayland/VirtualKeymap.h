#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "desktop/Key.h"
#include "desktop/keysyms/AnsiKeysym.h"

namespace qm::wayland {

// The real modifiers as a keymap's state masks count them.
inline constexpr std::uint32_t kShiftMask = 1U << 0;
inline constexpr std::uint32_t kLockMask = 1U << 1;
inline constexpr std::uint32_t kControlMask = 1U << 2;
inline constexpr std::uint32_t kMod1Mask = 1U << 3;  // Alt
inline constexpr std::uint32_t kMod2Mask = 1U << 4;  // Num Lock
inline constexpr std::uint32_t kMod4Mask = 1U << 6;  // Super
inline constexpr std::uint32_t kMod5Mask = 1U << 7;  // the level-three shift (AltGr)

// The virtual keyboard's keymap, the program's own rather than the user's layout: every key of
// the program's on a keycode of its own, and each character it types on a keycode of its own
// with one level, so that neither the seat's layout nor a Shift held through a key press changes
// what arrives. X programs under Xwayland see only keycodes 8 to 255, so the characters share
// what the keys leave: printable ASCII from the start, every other character added when it is
// first typed, the one typed longest ago giving its keycode up when none is free.
class VirtualKeymap {
public:
    VirtualKeymap();

    // 0 when the key has no keysym.
    unsigned KeycodeOf(Key key) const { return keys_[static_cast<std::size_t>(key)]; }
    // The keycode that types the keysym, added to the keymap when it is not on it yet (the
    // revision then changes).
    unsigned CharacterKeycode(Keysym keysym);
    // The real modifiers a keycode's key sets while it is held, and those it locks in turn.
    std::uint32_t HeldModifiers(unsigned keycode) const;
    std::uint32_t LockedModifiers(unsigned keycode) const;
    // Counts the changes, so that a changed keymap is uploaded again.
    unsigned Revision() const { return revision_; }
    // The keymap in XKB's text format, as the compositor compiles it.
    std::string Text() const;

private:
    static constexpr unsigned kFirstKeycode = 9;
    static constexpr unsigned kLastKeycode = 255;

    std::array<unsigned, kKeyCount> keys_{};
    // Each keycode's keysym, and the shifted one of a letter key.
    std::array<Keysym, kLastKeycode + 1> keysyms_{};
    std::array<Keysym, kLastKeycode + 1> shifted_{};
    // The characters' keycodes (and the keys' that type one level), and when each was last used.
    std::unordered_map<Keysym, unsigned> typing_;
    std::array<std::uint64_t, kLastKeycode + 1> used_{};
    std::uint64_t uses_ = 0;
    unsigned firstCharacter_ = kFirstKeycode;  // the keycodes from here on are the characters'
    unsigned revision_ = 0;
};

}  // namespace qm::wayland
