#include "input/VirtualKeys.h"

#include <algorithm>
#include <array>

namespace qm {
namespace {

constexpr VirtualKey Key(std::uint8_t vk, const char* name) {
    return {vk, name, false, std::nullopt};
}
constexpr VirtualKey Extended(std::uint8_t vk, const char* name) {
    return {vk, name, true, std::nullopt};
}
constexpr VirtualKey ModifierOf(std::uint8_t vk, const char* name, bool extended, Modifier modifier) {
    return {vk, name, extended, modifier};
}

constexpr std::array kKeys = std::to_array<VirtualKey>({
    Key(0x08, "Backspace"),
    Key(0x09, "Tab"),
    Key(0x0C, "Clear"),
    Key(0x0D, "Enter"),
    ModifierOf(0x10, "Shift", false, Modifier::Shift),
    ModifierOf(0x11, "Ctrl", false, Modifier::Ctrl),
    ModifierOf(0x12, "Alt", false, Modifier::Alt),
    Key(0x13, "Pause"),
    Key(0x14, "Caps Lock"),
    Key(0x1B, "Esc"),
    Key(0x20, "Space"),
    Extended(0x21, "Page Up"),
    Extended(0x22, "Page Down"),
    Extended(0x23, "End"),
    Extended(0x24, "Home"),
    Extended(0x25, "Left"),
    Extended(0x26, "Up"),
    Extended(0x27, "Right"),
    Extended(0x28, "Down"),
    Extended(0x2C, "Print Screen"),
    Extended(0x2D, "Insert"),
    Extended(0x2E, "Delete"),
    Key(0x30, "0"),
    Key(0x31, "1"),
    Key(0x32, "2"),
    Key(0x33, "3"),
    Key(0x34, "4"),
    Key(0x35, "5"),
    Key(0x36, "6"),
    Key(0x37, "7"),
    Key(0x38, "8"),
    Key(0x39, "9"),
    Key(0x41, "A"),
    Key(0x42, "B"),
    Key(0x43, "C"),
    Key(0x44, "D"),
    Key(0x45, "E"),
    Key(0x46, "F"),
    Key(0x47, "G"),
    Key(0x48, "H"),
    Key(0x49, "I"),
    Key(0x4A, "J"),
    Key(0x4B, "K"),
    Key(0x4C, "L"),
    Key(0x4D, "M"),
    Key(0x4E, "N"),
    Key(0x4F, "O"),
    Key(0x50, "P"),
    Key(0x51, "Q"),
    Key(0x52, "R"),
    Key(0x53, "S"),
    Key(0x54, "T"),
    Key(0x55, "U"),
    Key(0x56, "V"),
    Key(0x57, "W"),
    Key(0x58, "X"),
    Key(0x59, "Y"),
    Key(0x5A, "Z"),
    ModifierOf(0x5B, "Left Logo", true, Modifier::Logo),
    ModifierOf(0x5C, "Right Logo", true, Modifier::Logo),
    Extended(0x5D, "Menu"),
    Key(0x60, "Num 0"),
    Key(0x61, "Num 1"),
    Key(0x62, "Num 2"),
    Key(0x63, "Num 3"),
    Key(0x64, "Num 4"),
    Key(0x65, "Num 5"),
    Key(0x66, "Num 6"),
    Key(0x67, "Num 7"),
    Key(0x68, "Num 8"),
    Key(0x69, "Num 9"),
    Key(0x6A, "Num *"),
    Key(0x6B, "Num +"),
    Key(0x6D, "Num -"),
    Key(0x6E, "Num ."),
    Extended(0x6F, "Num /"),
    Key(0x70, "F1"),
    Key(0x71, "F2"),
    Key(0x72, "F3"),
    Key(0x73, "F4"),
    Key(0x74, "F5"),
    Key(0x75, "F6"),
    Key(0x76, "F7"),
    Key(0x77, "F8"),
    Key(0x78, "F9"),
    Key(0x79, "F10"),
    Key(0x7A, "F11"),
    Key(0x7B, "F12"),
    Key(0x7C, "F13"),
    Key(0x7D, "F14"),
    Key(0x7E, "F15"),
    Key(0x7F, "F16"),
    Key(0x80, "F17"),
    Key(0x81, "F18"),
    Key(0x82, "F19"),
    Key(0x83, "F20"),
    Key(0x84, "F21"),
    Key(0x85, "F22"),
    Key(0x86, "F23"),
    Key(0x87, "F24"),
    Extended(0x90, "Num Lock"),
    Key(0x91, "Scroll Lock"),
    ModifierOf(0xA0, "Left Shift", false, Modifier::Shift),
    ModifierOf(0xA1, "Right Shift", false, Modifier::Shift),
    ModifierOf(0xA2, "Left Ctrl", false, Modifier::Ctrl),
    ModifierOf(0xA3, "Right Ctrl", true, Modifier::Ctrl),
    ModifierOf(0xA4, "Left Alt", false, Modifier::Alt),
    Extended(0xA5, "Right Alt (AltGr)"),
    Extended(0xA6, "Browser Back"),
    Extended(0xA7, "Browser Forward"),
    Extended(0xA8, "Browser Refresh"),
    Extended(0xA9, "Browser Stop"),
    Extended(0xAA, "Browser Search"),
    Extended(0xAB, "Browser Favorites"),
    Extended(0xAC, "Browser Home"),
    Extended(0xAD, "Volume Mute"),
    Extended(0xAE, "Volume Down"),
    Extended(0xAF, "Volume Up"),
    Extended(0xB0, "Next Track"),
    Extended(0xB1, "Previous Track"),
    Extended(0xB2, "Stop Media"),
    Extended(0xB3, "Play/Pause"),
    Extended(0xB4, "Mail"),
    Extended(0xB5, "Media Select"),
    Extended(0xB6, "Launch App 1"),
    Extended(0xB7, "Launch App 2"),
});

static_assert(std::is_sorted(kKeys.begin(), kKeys.end(),
                             [](const VirtualKey& a, const VirtualKey& b) { return a.vk < b.vk; }),
              "FindVirtualKey looks keys up by halving");

}  // namespace

std::span<const VirtualKey> VirtualKeys() {
    return kKeys;
}

const VirtualKey* FindVirtualKey(std::uint8_t vk) {
    const auto* found =
        std::lower_bound(kKeys.begin(), kKeys.end(), vk,
                         [](const VirtualKey& key, std::uint8_t value) { return key.vk < value; });
    return found != kKeys.end() && found->vk == vk ? &*found : nullptr;
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
