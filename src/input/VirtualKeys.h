#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "desktop/Key.h"
#include "desktop/VirtualKeyNumbers.h"

namespace qm {

// The keys a device reaches by number, numbered as Windows numbers its virtual keys so that a
// device programmed for one system works on the other. In ASCII Sequence Mode the decoded values
// from kVirtualKeyBase to kVirtualKeyBase + 255 stand for the virtual key value - kVirtualKeyBase.
inline constexpr std::int32_t kVirtualKeyBase = 256;
inline constexpr std::int32_t kVirtualKeyLast = kVirtualKeyBase + 255;

// The modifiers that latch and lock rather than pressing and releasing at once.
enum class Modifier : std::uint8_t { Shift, Ctrl, Alt, Logo };
inline constexpr std::size_t kModifierCount = 4;

namespace vk {
// Named apart from the system's macros (VK_LEFT and the like), which a Windows build also sees.
inline constexpr std::uint8_t Control = 0x11;
inline constexpr std::uint8_t Menu = 0x12;  // Alt
inline constexpr std::uint8_t Escape = 0x1B;
inline constexpr std::uint8_t Left = 0x25;
inline constexpr std::uint8_t Up = 0x26;
inline constexpr std::uint8_t Right = 0x27;
inline constexpr std::uint8_t Down = 0x28;
inline constexpr std::uint8_t LWin = 0x5B;  // the logo key
}  // namespace vk

// A virtual key and the key it stands for. Keys whose character depends on the layout (the
// punctuation keys) are not among them: a device types those as characters.
struct VirtualKey {
    std::uint8_t vk = 0;
    Key key = Key::Backspace;
};

// Every virtual key the program knows, in the order of their numbers.
std::span<const VirtualKey> VirtualKeys();

// The modifier whose key it is, if any: right Alt is AltGr, and presses and releases at once.
std::optional<Modifier> ModifierOf(Key key);

// "Shift", "Ctrl", "Alt", "Logo".
const char* ModifierName(Modifier modifier);

}  // namespace qm
