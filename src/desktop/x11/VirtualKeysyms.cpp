#include "desktop/x11/VirtualKeysyms.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>

namespace qm::x11 {
namespace {

struct Entry {
    std::uint8_t vk;
    Keysym first;
    Keysym second;
};

// The keys whose number does not follow from a run (letters, digits, keypad digits, F-keys).
constexpr std::array kKeysyms = std::to_array<Entry>({
    {0x08, XK_BackSpace, 0},
    {0x09, XK_Tab, 0},
    {0x0C, XK_Clear, XK_KP_Begin},
    {0x0D, XK_Return, 0},
    {0x10, XK_Shift_L, 0},
    {0x11, XK_Control_L, 0},
    {0x12, XK_Alt_L, XK_Meta_L},
    {0x13, XK_Pause, 0},
    {0x14, XK_Caps_Lock, 0},
    {0x1B, XK_Escape, 0},
    {0x20, XK_space, 0},
    {0x21, XK_Prior, 0},
    {0x22, XK_Next, 0},
    {0x23, XK_End, 0},
    {0x24, XK_Home, 0},
    {0x25, XK_Left, 0},
    {0x26, XK_Up, 0},
    {0x27, XK_Right, 0},
    {0x28, XK_Down, 0},
    {0x2C, XK_Print, 0},
    {0x2D, XK_Insert, 0},
    {0x2E, XK_Delete, 0},
    {0x5B, XK_Super_L, 0},
    {0x5C, XK_Super_R, 0},
    {0x5D, XK_Menu, 0},
    {0x6A, XK_KP_Multiply, 0},
    {0x6B, XK_KP_Add, 0},
    {0x6D, XK_KP_Subtract, 0},
    {0x6E, XK_KP_Decimal, 0},
    {0x6F, XK_KP_Divide, 0},
    {0x90, XK_Num_Lock, 0},
    {0x91, XK_Scroll_Lock, 0},
    {0xA0, XK_Shift_L, 0},
    {0xA1, XK_Shift_R, 0},
    {0xA2, XK_Control_L, 0},
    {0xA3, XK_Control_R, 0},
    {0xA4, XK_Alt_L, XK_Meta_L},
    {0xA5, XK_ISO_Level3_Shift, XK_Alt_R},
    {0xA6, XF86XK_Back, 0},
    {0xA7, XF86XK_Forward, 0},
    {0xA8, XF86XK_Refresh, 0},
    {0xA9, XF86XK_Stop, 0},
    {0xAA, XF86XK_Search, 0},
    {0xAB, XF86XK_Favorites, 0},
    {0xAC, XF86XK_HomePage, 0},
    {0xAD, XF86XK_AudioMute, 0},
    {0xAE, XF86XK_AudioLowerVolume, 0},
    {0xAF, XF86XK_AudioRaiseVolume, 0},
    {0xB0, XF86XK_AudioNext, 0},
    {0xB1, XF86XK_AudioPrev, 0},
    {0xB2, XF86XK_AudioStop, 0},
    {0xB3, XF86XK_AudioPlay, 0},
    {0xB4, XF86XK_Mail, 0},
    {0xB5, XF86XK_AudioMedia, 0},
    {0xB6, XF86XK_MyComputer, 0},
    {0xB7, XF86XK_Calculator, 0},
});

}  // namespace

std::vector<Keysym> KeysymsForVirtualKey(std::uint8_t vk) {
    // Windows names the letter keys by their capital, X by what they type unshifted.
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
        return {vk >= 'A' ? Keysym{vk} + ('a' - 'A') : Keysym{vk}};
    }
    if (vk >= 0x60 && vk <= 0x69) {
        return {static_cast<Keysym>(XK_KP_0 + (vk - 0x60))};
    }
    if (vk >= 0x70 && vk <= 0x87) {
        return {static_cast<Keysym>(XK_F1 + (vk - 0x70))};
    }
    const auto* found =
        std::find_if(kKeysyms.begin(), kKeysyms.end(), [vk](const Entry& e) { return e.vk == vk; });
    if (found == kKeysyms.end()) {
        return {};
    }
    if (found->second == 0) {
        return {found->first};
    }
    return {found->first, found->second};
}

}  // namespace qm::x11
