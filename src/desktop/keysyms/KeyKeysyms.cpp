#include "desktop/keysyms/KeyKeysyms.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>

namespace qm {
namespace {

struct Entry {
    Key key;
    Keysym first;
    Keysym second;
};

// The keys outside the runs (digits, letters, keypad digits, F-keys).
constexpr std::array kKeysyms = std::to_array<Entry>({
    {Key::Backspace, XK_BackSpace, 0},
    {Key::Tab, XK_Tab, 0},
    {Key::Clear, XK_Clear, XK_KP_Begin},
    {Key::Enter, XK_Return, 0},
    {Key::Shift, XK_Shift_L, 0},
    {Key::Ctrl, XK_Control_L, 0},
    {Key::Alt, XK_Alt_L, XK_Meta_L},
    {Key::Pause, XK_Pause, 0},
    {Key::CapsLock, XK_Caps_Lock, 0},
    {Key::Escape, XK_Escape, 0},
    {Key::Space, XK_space, 0},
    {Key::PageUp, XK_Prior, 0},
    {Key::PageDown, XK_Next, 0},
    {Key::End, XK_End, 0},
    {Key::Home, XK_Home, 0},
    {Key::Left, XK_Left, 0},
    {Key::Up, XK_Up, 0},
    {Key::Right, XK_Right, 0},
    {Key::Down, XK_Down, 0},
    {Key::PrintScreen, XK_Print, 0},
    {Key::Insert, XK_Insert, 0},
    {Key::Delete, XK_Delete, 0},
    {Key::LeftLogo, XK_Super_L, 0},
    {Key::RightLogo, XK_Super_R, 0},
    {Key::Menu, XK_Menu, 0},
    {Key::NumMultiply, XK_KP_Multiply, 0},
    {Key::NumAdd, XK_KP_Add, 0},
    {Key::NumSubtract, XK_KP_Subtract, 0},
    {Key::NumDecimal, XK_KP_Decimal, 0},
    {Key::NumDivide, XK_KP_Divide, 0},
    {Key::NumLock, XK_Num_Lock, 0},
    {Key::ScrollLock, XK_Scroll_Lock, 0},
    {Key::LeftShift, XK_Shift_L, 0},
    {Key::RightShift, XK_Shift_R, 0},
    {Key::LeftCtrl, XK_Control_L, 0},
    {Key::RightCtrl, XK_Control_R, 0},
    {Key::LeftAlt, XK_Alt_L, XK_Meta_L},
    {Key::RightAlt, XK_ISO_Level3_Shift, XK_Alt_R},
    {Key::BrowserBack, XF86XK_Back, 0},
    {Key::BrowserForward, XF86XK_Forward, 0},
    {Key::BrowserRefresh, XF86XK_Refresh, 0},
    {Key::BrowserStop, XF86XK_Stop, 0},
    {Key::BrowserSearch, XF86XK_Search, 0},
    {Key::BrowserFavorites, XF86XK_Favorites, 0},
    {Key::BrowserHome, XF86XK_HomePage, 0},
    {Key::VolumeMute, XF86XK_AudioMute, 0},
    {Key::VolumeDown, XF86XK_AudioLowerVolume, 0},
    {Key::VolumeUp, XF86XK_AudioRaiseVolume, 0},
    {Key::NextTrack, XF86XK_AudioNext, 0},
    {Key::PreviousTrack, XF86XK_AudioPrev, 0},
    {Key::StopMedia, XF86XK_AudioStop, 0},
    {Key::PlayPause, XF86XK_AudioPlay, 0},
    {Key::Mail, XF86XK_Mail, 0},
    {Key::MediaSelect, XF86XK_AudioMedia, 0},
    {Key::LaunchApp1, XF86XK_MyComputer, 0},
    {Key::LaunchApp2, XF86XK_Calculator, 0},
});

}  // namespace

std::vector<Keysym> KeysymsForKey(Key key) {
    // A letter key's keysym is the letter it types unshifted.
    if (const int digit = Along(key, Key::Digit0, 10); digit >= 0) {
        return {static_cast<Keysym>(XK_0 + digit)};
    }
    if (const int letter = Along(key, Key::A, 26); letter >= 0) {
        return {static_cast<Keysym>(XK_a + letter)};
    }
    if (const int digit = Along(key, Key::Num0, 10); digit >= 0) {
        return {static_cast<Keysym>(XK_KP_0 + digit)};
    }
    if (const int number = Along(key, Key::F1, 24); number >= 0) {
        return {static_cast<Keysym>(XK_F1 + number)};
    }
    const auto* found =
        std::find_if(kKeysyms.begin(), kKeysyms.end(), [key](const Entry& e) { return e.key == key; });
    if (found == kKeysyms.end()) {
        return {};
    }
    if (found->second == 0) {
        return {found->first};
    }
    return {found->first, found->second};
}

}  // namespace qm
