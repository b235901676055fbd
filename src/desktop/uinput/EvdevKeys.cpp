#include "desktop/uinput/EvdevKeys.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <array>

namespace qm::uinput {
namespace {

struct Entry {
    Key key;
    std::uint16_t code;
};

// The kernel numbers the digits and letters as they lie on the keyboard, so only the F-keys are
// counted.
constexpr std::array kCodes = std::to_array<Entry>({
    {Key::Backspace, KEY_BACKSPACE},
    {Key::Tab, KEY_TAB},
    {Key::Clear, KEY_CLEAR},
    {Key::Enter, KEY_ENTER},
    {Key::Shift, KEY_LEFTSHIFT},
    {Key::Ctrl, KEY_LEFTCTRL},
    {Key::Alt, KEY_LEFTALT},
    {Key::Pause, KEY_PAUSE},
    {Key::CapsLock, KEY_CAPSLOCK},
    {Key::Escape, KEY_ESC},
    {Key::Space, KEY_SPACE},
    {Key::PageUp, KEY_PAGEUP},
    {Key::PageDown, KEY_PAGEDOWN},
    {Key::End, KEY_END},
    {Key::Home, KEY_HOME},
    {Key::Left, KEY_LEFT},
    {Key::Up, KEY_UP},
    {Key::Right, KEY_RIGHT},
    {Key::Down, KEY_DOWN},
    {Key::PrintScreen, KEY_SYSRQ},
    {Key::Insert, KEY_INSERT},
    {Key::Delete, KEY_DELETE},
    {Key::Digit0, KEY_0},
    {Key::Digit1, KEY_1},
    {Key::Digit2, KEY_2},
    {Key::Digit3, KEY_3},
    {Key::Digit4, KEY_4},
    {Key::Digit5, KEY_5},
    {Key::Digit6, KEY_6},
    {Key::Digit7, KEY_7},
    {Key::Digit8, KEY_8},
    {Key::Digit9, KEY_9},
    {Key::A, KEY_A},
    {Key::B, KEY_B},
    {Key::C, KEY_C},
    {Key::D, KEY_D},
    {Key::E, KEY_E},
    {Key::F, KEY_F},
    {Key::G, KEY_G},
    {Key::H, KEY_H},
    {Key::I, KEY_I},
    {Key::J, KEY_J},
    {Key::K, KEY_K},
    {Key::L, KEY_L},
    {Key::M, KEY_M},
    {Key::N, KEY_N},
    {Key::O, KEY_O},
    {Key::P, KEY_P},
    {Key::Q, KEY_Q},
    {Key::R, KEY_R},
    {Key::S, KEY_S},
    {Key::T, KEY_T},
    {Key::U, KEY_U},
    {Key::V, KEY_V},
    {Key::W, KEY_W},
    {Key::X, KEY_X},
    {Key::Y, KEY_Y},
    {Key::Z, KEY_Z},
    {Key::LeftLogo, KEY_LEFTMETA},
    {Key::RightLogo, KEY_RIGHTMETA},
    {Key::Menu, KEY_COMPOSE},  // the PC keyboard's menu key
    {Key::Num0, KEY_KP0},
    {Key::Num1, KEY_KP1},
    {Key::Num2, KEY_KP2},
    {Key::Num3, KEY_KP3},
    {Key::Num4, KEY_KP4},
    {Key::Num5, KEY_KP5},
    {Key::Num6, KEY_KP6},
    {Key::Num7, KEY_KP7},
    {Key::Num8, KEY_KP8},
    {Key::Num9, KEY_KP9},
    {Key::NumMultiply, KEY_KPASTERISK},
    {Key::NumAdd, KEY_KPPLUS},
    {Key::NumSubtract, KEY_KPMINUS},
    {Key::NumDecimal, KEY_KPDOT},
    {Key::NumDivide, KEY_KPSLASH},
    {Key::NumLock, KEY_NUMLOCK},
    {Key::ScrollLock, KEY_SCROLLLOCK},
    {Key::LeftShift, KEY_LEFTSHIFT},
    {Key::RightShift, KEY_RIGHTSHIFT},
    {Key::LeftCtrl, KEY_LEFTCTRL},
    {Key::RightCtrl, KEY_RIGHTCTRL},
    {Key::LeftAlt, KEY_LEFTALT},
    {Key::RightAlt, KEY_RIGHTALT},
    {Key::BrowserBack, KEY_BACK},
    {Key::BrowserForward, KEY_FORWARD},
    {Key::BrowserRefresh, KEY_REFRESH},
    {Key::BrowserStop, KEY_STOP},
    {Key::BrowserSearch, KEY_SEARCH},
    {Key::BrowserFavorites, KEY_BOOKMARKS},
    {Key::BrowserHome, KEY_HOMEPAGE},
    {Key::VolumeMute, KEY_MUTE},
    {Key::VolumeDown, KEY_VOLUMEDOWN},
    {Key::VolumeUp, KEY_VOLUMEUP},
    {Key::NextTrack, KEY_NEXTSONG},
    {Key::PreviousTrack, KEY_PREVIOUSSONG},
    {Key::StopMedia, KEY_STOPCD},
    {Key::PlayPause, KEY_PLAYPAUSE},
    {Key::Mail, KEY_MAIL},
    {Key::MediaSelect, KEY_MEDIA},
    {Key::LaunchApp1, KEY_COMPUTER},
    {Key::LaunchApp2, KEY_CALC},
});

}  // namespace

std::uint16_t EvdevCode(Key key) {
    if (const int f = Along(key, Key::F1, 24); f >= 0) {
        // F11 and F12 came later than F1-F10, F13-F24 later still, each run in order.
        return static_cast<std::uint16_t>(f < 10   ? KEY_F1 + f
                                          : f < 12 ? KEY_F11 + (f - 10)
                                                   : KEY_F13 + (f - 12));
    }
    const auto* entry =
        std::find_if(kCodes.begin(), kCodes.end(), [key](const Entry& e) { return e.key == key; });
    return entry != kCodes.end() ? entry->code : 0;
}

}  // namespace qm::uinput
