#include "desktop/x11/KeyLookup.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>

namespace qm::x11 {

namespace {

// Held for a character, these would act as shortcuts or lock states instead of choosing it.
constexpr unsigned kUnsafeModifiers = ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod4Mask;

// The cheapest modifier state within usable that selects the level of a key type, if any does.
std::optional<unsigned> ModifiersForLevel(const XkbKeyTypeRec& type, int level, unsigned usable) {
    if (level == 0) {
        return 0u;
    }
    std::optional<unsigned> best;
    for (int i = 0; i < type.map_count; ++i) {
        const XkbKTMapEntryRec& entry = type.map[i];
        if (!entry.active || entry.level != level || (entry.mods.mask & ~usable) != 0) {
            continue;
        }
        if (!best || std::popcount(entry.mods.mask) < std::popcount(*best)) {
            best = entry.mods.mask;
        }
    }
    return best;
}

bool Wanted(const std::vector<Keysym>& keysyms, KeySym keysym) {
    return keysym != NoSymbol &&
           std::find(keysyms.begin(), keysyms.end(), static_cast<Keysym>(keysym)) != keysyms.end();
}

}  // namespace

KeyboardLayout::KeyboardLayout(Display* display)
    : xkb_(XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd)) {}

KeyboardLayout::~KeyboardLayout() {
    if (xkb_ != nullptr) {
        XkbFreeKeyboard(xkb_, 0, True);
    }
}

std::optional<KeyChoice> KeyboardLayout::FindKey(int group, const std::vector<Keysym>& keysyms,
                                                 const std::function<bool(unsigned keycode)>& skip) const {
    if (xkb_ == nullptr) {
        return std::nullopt;
    }
    const std::optional<KeyChoice> levelThree = LevelThreeKey(group);
    const unsigned usable = ShiftMask | (levelThree ? levelThree->modifiers : 0u);

    std::optional<KeyChoice> best;
    int bestCost = 0;
    for (int keycode = xkb_->min_key_code; keycode <= xkb_->max_key_code; ++keycode) {
        const int groups = XkbKeyNumGroups(xkb_, keycode);
        if (groups == 0 || (skip && skip(static_cast<unsigned>(keycode)))) {
            continue;
        }
        const int keyGroup = group < groups ? group : 0;
        const XkbKeyTypeRec& type = *XkbKeyKeyType(xkb_, keycode, keyGroup);
        const int width = XkbKeyGroupWidth(xkb_, keycode, keyGroup);
        for (int level = 0; level < width; ++level) {
            if (!Wanted(keysyms, XkbKeySymEntry(xkb_, keycode, level, keyGroup))) {
                continue;
            }
            const std::optional<unsigned> modifiers = ModifiersForLevel(type, level, usable);
            if (!modifiers) {
                continue;
            }
            // Fewer modifiers first, then the lower level.
            const int cost = std::popcount(*modifiers) * 16 + level;
            if (!best || cost < bestCost) {
                best = KeyChoice{static_cast<unsigned>(keycode), *modifiers};
                bestCost = cost;
            }
        }
    }
    return best;
}

std::optional<KeyChoice> KeyboardLayout::ModifierKey(int group, const std::vector<Keysym>& keysyms,
                                                     unsigned forbidden) const {
    if (xkb_ == nullptr) {
        return std::nullopt;
    }
    for (int keycode = xkb_->min_key_code; keycode <= xkb_->max_key_code; ++keycode) {
        const int groups = XkbKeyNumGroups(xkb_, keycode);
        const unsigned modifiers = xkb_->map->modmap[keycode];
        if (groups > 0 && modifiers != 0 && (modifiers & forbidden) == 0 &&
            Wanted(keysyms, XkbKeySymEntry(xkb_, keycode, 0, group < groups ? group : 0))) {
            return KeyChoice{static_cast<unsigned>(keycode), modifiers};
        }
    }
    return std::nullopt;
}

std::optional<KeyChoice> KeyboardLayout::LevelThreeKey(int group) const {
    return ModifierKey(group, {XK_ISO_Level3_Shift}, kUnsafeModifiers);
}

int CurrentGroup(Display* display) {
    XkbStateRec state{};
    return XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
}

}  // namespace qm::x11
