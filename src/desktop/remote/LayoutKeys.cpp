#include "desktop/remote/LayoutKeys.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <stdexcept>

namespace qm {

namespace {

// XKB numbers keys 8 above the kernel.
constexpr std::uint32_t kEvdevOffset = 8;

std::uint32_t ModMask(xkb_keymap* keymap, const char* name) {
    const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
    return index == XKB_MOD_INVALID ? 0U : 1U << index;
}

}  // namespace

LayoutKeys::LayoutKeys(const std::string& keymapText) : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
    if (context_ == nullptr) {
        throw std::runtime_error("libxkbcommon could not start");
    }
    keymap_ = keymapText.empty()
                  ? xkb_keymap_new_from_names(context_, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS)
                  : xkb_keymap_new_from_string(context_, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                               XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap_ == nullptr) {
        xkb_context_unref(context_);
        throw std::runtime_error("the keyboard layout could not be read");
    }
    shiftMask_ = ModMask(keymap_, XKB_MOD_NAME_SHIFT);
    // The level-three shift is bound to a virtual modifier that lands on Mod5 in every layout
    // xkeyboard-config ships.
    levelThreeMask_ = ModMask(keymap_, "Mod5");
    if (const auto shift = FindOne(XKB_KEY_Shift_L); shift && !shift->shift && !shift->levelThree) {
        shiftKey_ = shift->evdev;
    }
    if (const auto levelThree = FindOne(XKB_KEY_ISO_Level3_Shift);
        levelThree && !levelThree->shift && !levelThree->levelThree) {
        levelThreeKey_ = levelThree->evdev;
    }
}

LayoutKeys::~LayoutKeys() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

std::optional<LayoutKey> LayoutKeys::Find(const std::vector<Keysym>& keysyms) const {
    for (const Keysym keysym : keysyms) {
        if (std::optional<LayoutKey> key = FindOne(keysym)) {
            return key;
        }
    }
    return std::nullopt;
}

std::optional<LayoutKey> LayoutKeys::FindOne(Keysym keysym) const {
    std::optional<LayoutKey> best;
    int bestLevel = 0;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_);
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap_); keycode <= last; ++keycode) {
        if (keycode < kEvdevOffset || xkb_keymap_num_layouts_for_key(keymap_, keycode) == 0) {
            continue;
        }
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, keycode, 0);
        for (xkb_level_index_t level = 0; level < levels && (!best || static_cast<int>(level) < bestLevel);
             ++level) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap_, keycode, 0, level, &syms) != 1 ||
                syms[0] != keysym) {
                continue;
            }
            xkb_mod_mask_t masks[8];
            const std::size_t count = xkb_keymap_key_get_mods_for_level(keymap_, keycode, 0, level, masks, 8);
            for (std::size_t i = 0; i < count; ++i) {
                // Only Shift and the level-three shift are pressed for a character, and only
                // where the layout has a key for them (found first, with no modifier).
                const bool shift = (masks[i] & shiftMask_) != 0;
                const bool levelThree = (masks[i] & levelThreeMask_) != 0;
                if ((masks[i] & ~(shiftMask_ | levelThreeMask_)) == 0 && (!shift || shiftKey_ != 0) &&
                    (!levelThree || levelThreeKey_ != 0)) {
                    best = LayoutKey{keycode - kEvdevOffset, shift, levelThree};
                    bestLevel = static_cast<int>(level);
                    break;
                }
            }
        }
    }
    return best;
}

}  // namespace qm
