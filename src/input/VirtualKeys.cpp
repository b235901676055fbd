#include "input/VirtualKeys.h"

#include <algorithm>
#include <array>

namespace qm {
namespace {

// The virtual key of each key, in the order of the keys, which is that of the numbers.
constexpr std::array<std::uint8_t, kKeyCount> kNumbers = {
    0x08, 0x09, 0x0C, 0x0D, 0x10, 0x11, 0x12, 0x13, 0x14, 0x1B, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,
    0x26, 0x27, 0x28, 0x2C, 0x2D, 0x2E, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39,
    0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50,
    0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x60, 0x61, 0x62,
    0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x72, 0x73,
    0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F, 0x80, 0x81, 0x82, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x90, 0x91, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9,
    0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7,
};

constexpr std::array<VirtualKey, kKeyCount> kKeys = [] {
    std::array<VirtualKey, kKeyCount> keys{};
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        keys[i] = {kNumbers[i], static_cast<Key>(i)};
    }
    return keys;
}();

static_assert(std::is_sorted(kNumbers.begin(), kNumbers.end()), "KeyForVirtualKey looks keys up by halving");

}  // namespace

std::span<const VirtualKey> VirtualKeys() {
    return kKeys;
}

std::optional<Key> KeyForVirtualKey(std::uint8_t vk) {
    const auto* found = std::lower_bound(kNumbers.begin(), kNumbers.end(), vk);
    if (found == kNumbers.end() || *found != vk) {
        return std::nullopt;
    }
    return static_cast<Key>(found - kNumbers.begin());
}

std::optional<Modifier> ModifierOf(Key key) {
    switch (key) {
        case Key::Shift:
        case Key::LeftShift:
        case Key::RightShift:
            return Modifier::Shift;
        case Key::Ctrl:
        case Key::LeftCtrl:
        case Key::RightCtrl:
            return Modifier::Ctrl;
        case Key::Alt:
        case Key::LeftAlt:
            return Modifier::Alt;
        case Key::LeftLogo:
        case Key::RightLogo:
            return Modifier::Logo;
        default:
            return std::nullopt;
    }
}

const char* ModifierName(Modifier modifier) {
    switch (modifier) {
        case Modifier::Shift:
            return "Shift";
        case Modifier::Ctrl:
            return "Ctrl";
        case Modifier::Alt:
            return "Alt";
        case Modifier::Logo:
            return "Logo";
    }
    return "";
}

}  // namespace qm
