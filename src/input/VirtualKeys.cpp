#include "input/VirtualKeys.h"

#include <array>

namespace qm {
namespace {

// Built once at start from the shared table (constant-initialised, so ready before this).
const std::array<VirtualKey, kKeyCount> kKeys = [] {
    std::array<VirtualKey, kKeyCount> keys{};
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        keys[i] = {VirtualKeyNumber(static_cast<Key>(i)), static_cast<Key>(i)};
    }
    return keys;
}();

}  // namespace

std::span<const VirtualKey> VirtualKeys() {
    return kKeys;
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
