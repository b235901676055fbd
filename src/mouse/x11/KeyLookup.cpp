#include "mouse/x11/KeyLookup.h"

#include <X11/XKBlib.h>

#include <algorithm>
#include <bit>

namespace qm::x11 {

namespace {

constexpr unsigned kUsableModifiers = ShiftMask | ControlMask | Mod1Mask | Mod5Mask;

// The cheapest modifier state that selects the level of a key type, if any usable one does.
std::optional<unsigned> ModifiersForLevel(const XkbKeyTypeRec& type, int level) {
    if (level == 0) {
        return 0u;
    }
    std::optional<unsigned> best;
    for (int i = 0; i < type.map_count; ++i) {
        const XkbKTMapEntryRec& entry = type.map[i];
        if (!entry.active || entry.level != level || (entry.mods.mask & ~kUsableModifiers) != 0) {
            continue;
        }
        if (!best || std::popcount(entry.mods.mask) < std::popcount(*best)) {
            best = entry.mods.mask;
        }
    }
    return best;
}

}  // namespace

std::optional<KeyChoice> FindKey(Display* display, const std::vector<Keysym>& keysyms,
                                 const std::function<bool(unsigned keycode)>& skip) {
    XkbDescPtr xkb = XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (xkb == nullptr) {
        return std::nullopt;
    }
    XkbStateRec state{};
    const int currentGroup = XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.group : 0;

    std::optional<KeyChoice> best;
    int bestCost = 0;
    for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        const int groups = XkbKeyNumGroups(xkb, keycode);
        if (groups == 0 || (skip && skip(static_cast<unsigned>(keycode)))) {
            continue;
        }
        const int group = currentGroup < groups ? currentGroup : 0;
        const XkbKeyTypeRec& type = *XkbKeyKeyType(xkb, keycode, group);
        const int width = XkbKeyGroupWidth(xkb, keycode, group);
        for (int level = 0; level < width; ++level) {
            const KeySym keysym = XkbKeySymEntry(xkb, keycode, level, group);
            if (keysym == NoSymbol ||
                std::find(keysyms.begin(), keysyms.end(), static_cast<Keysym>(keysym)) == keysyms.end()) {
                continue;
            }
            const std::optional<unsigned> modifiers = ModifiersForLevel(type, level);
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
    XkbFreeKeyboard(xkb, 0, True);
    return best;
}

}  // namespace qm::x11
