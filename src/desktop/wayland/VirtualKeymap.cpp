#include "desktop/wayland/VirtualKeymap.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <vector>

#include "desktop/keysyms/KeyKeysyms.h"

namespace qm::wayland {
namespace {

std::string KeysymName(Keysym keysym) {
    char name[64];
    xkb_keysym_get_name(keysym, name, sizeof name);
    return name;
}

std::string KeycodeName(unsigned keycode) {
    return "<I" + std::to_string(keycode) + ">";
}

}  // namespace

VirtualKeymap::VirtualKeymap() {
    unsigned next = kFirstKeycode;
    for (std::size_t index = 0; index < kKeyCount; ++index) {
        const Key key = static_cast<Key>(index);
        const std::vector<Keysym> keysyms = KeysymsForKey(key);
        if (keysyms.empty()) {
            continue;
        }
        // Shift and Left Shift are one key, as on a keyboard.
        const auto same =
            std::find(keysyms_.begin() + kFirstKeycode, keysyms_.begin() + next, keysyms.front());
        if (same != keysyms_.begin() + next) {
            keys_[index] = static_cast<unsigned>(same - keysyms_.begin());
            continue;
        }
        keys_[index] = next;
        keysyms_[next] = keysyms.front();
        // A letter key types its capital with Shift, as the program's A key is expected to; the
        // letters typed as characters have keys of their own.
        if (Along(key, Key::A, 26) >= 0) {
            shifted_[next] = keysyms.front() - (XKB_KEY_a - XKB_KEY_A);
        } else {
            typing_.emplace(keysyms.front(), next);
        }
        ++next;
    }
    firstCharacter_ = next;
    for (unsigned char character = 0x20; character < 0x7F; ++character) {
        CharacterKeycode(KeysymsForAnsi(character).front());
    }
}

unsigned VirtualKeymap::CharacterKeycode(Keysym keysym) {
    ++uses_;
    if (const auto found = typing_.find(keysym); found != typing_.end()) {
        used_[found->second] = uses_;
        return found->second;
    }
    // A free keycode, else the one whose character was typed longest ago (0 is never used, so
    // a free one comes first).
    unsigned keycode = firstCharacter_;
    for (unsigned candidate = firstCharacter_; candidate <= kLastKeycode; ++candidate) {
        if (used_[candidate] < used_[keycode]) {
            keycode = candidate;
        }
    }
    typing_.erase(keysyms_[keycode]);
    keysyms_[keycode] = keysym;
    typing_.emplace(keysym, keycode);
    used_[keycode] = uses_;
    ++revision_;
    return keycode;
}

std::uint32_t VirtualKeymap::HeldModifiers(unsigned keycode) const {
    switch (keycode <= kLastKeycode ? keysyms_[keycode] : kNoKeysym) {
        case XKB_KEY_Shift_L:
        case XKB_KEY_Shift_R:
            return kShiftMask;
        case XKB_KEY_Control_L:
        case XKB_KEY_Control_R:
            return kControlMask;
        case XKB_KEY_Alt_L:
        case XKB_KEY_Alt_R:
        case XKB_KEY_Meta_L:
        case XKB_KEY_Meta_R:
            return kMod1Mask;
        case XKB_KEY_Super_L:
        case XKB_KEY_Super_R:
            return kMod4Mask;
        case XKB_KEY_ISO_Level3_Shift:
            return kMod5Mask;
        default:
            return 0;
    }
}

std::uint32_t VirtualKeymap::LockedModifiers(unsigned keycode) const {
    const Keysym keysym = keycode <= kLastKeycode ? keysyms_[keycode] : kNoKeysym;
    return keysym == XKB_KEY_Caps_Lock ? kLockMask : keysym == XKB_KEY_Num_Lock ? kMod2Mask : 0;
}

std::string VirtualKeymap::Text() const {
    // The modifier keys act through the standard interpretations, so the compositor's state and
    // a client's follow the same rules as for a keyboard of the user's.
    std::string text = "xkb_keymap {\nxkb_keycodes \"quillmotion\" {\nminimum = 8;\nmaximum = 255;\n";
    for (unsigned keycode = kFirstKeycode; keycode <= kLastKeycode; ++keycode) {
        text += KeycodeName(keycode) + " = " + std::to_string(keycode) + ";\n";
    }
    text +=
        "};\nxkb_types \"quillmotion\" { include \"complete\" };\n"
        "xkb_compatibility \"quillmotion\" { include \"complete\" };\nxkb_symbols \"quillmotion\" {\n";
    std::array<std::string, 8> modifierKeys;
    for (unsigned keycode = kFirstKeycode; keycode <= kLastKeycode; ++keycode) {
        if (keysyms_[keycode] == kNoKeysym) {
            continue;
        }
        text += "key " + KeycodeName(keycode) + " { [ " + KeysymName(keysyms_[keycode]);
        if (shifted_[keycode] != kNoKeysym) {
            text += ", " + KeysymName(shifted_[keycode]);
        }
        text += " ] };\n";
        const std::uint32_t mask = HeldModifiers(keycode) | LockedModifiers(keycode);
        for (std::size_t bit = 0; bit < modifierKeys.size(); ++bit) {
            if ((mask & (1U << bit)) != 0) {
                modifierKeys[bit] += (modifierKeys[bit].empty() ? "" : ", ") + KeycodeName(keycode);
            }
        }
    }
    constexpr std::array<const char*, 8> kModifierNames{"Shift", "Lock", "Control", "Mod1",
                                                        "Mod2",  "Mod3", "Mod4",    "Mod5"};
    for (std::size_t bit = 0; bit < modifierKeys.size(); ++bit) {
        if (!modifierKeys[bit].empty()) {
            text += std::string("modifier_map ") + kModifierNames[bit] + " { " + modifierKeys[bit] + " };\n";
        }
    }
    return text + "};\n};\n";
}

}  // namespace qm::wayland
