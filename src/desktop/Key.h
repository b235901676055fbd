#pragma once

#include <cstddef>
#include <cstdint>

namespace qm {

// The keys the program presses by name. The runs (digits, letters, keypad digits, F-keys) are
// in order, so that a backend may count along them.
enum class Key : std::uint8_t {
    Backspace,
    Tab,
    Clear,
    Enter,
    Shift,  // whichever Shift the system takes for plain Shift; likewise Ctrl and Alt
    Ctrl,
    Alt,
    Pause,
    CapsLock,
    Escape,
    Space,
    PageUp,
    PageDown,
    End,
    Home,
    Left,
    Up,
    Right,
    Down,
    PrintScreen,
    Insert,
    Delete,
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    A,
    B,
    C,
    D,
    E,
    F,
    G,
    H,
    I,
    J,
    K,
    L,
    M,
    N,
    O,
    P,
    Q,
    R,
    S,
    T,
    U,
    V,
    W,
    X,
    Y,
    Z,
    LeftLogo,
    RightLogo,
    Menu,
    Num0,
    Num1,
    Num2,
    Num3,
    Num4,
    Num5,
    Num6,
    Num7,
    Num8,
    Num9,
    NumMultiply,
    NumAdd,
    NumSubtract,
    NumDecimal,
    NumDivide,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
    F17,
    F18,
    F19,
    F20,
    F21,
    F22,
    F23,
    F24,
    NumLock,
    ScrollLock,
    LeftShift,
    RightShift,
    LeftCtrl,
    RightCtrl,
    LeftAlt,
    RightAlt,  // AltGr on the layouts that have one
    BrowserBack,
    BrowserForward,
    BrowserRefresh,
    BrowserStop,
    BrowserSearch,
    BrowserFavorites,
    BrowserHome,
    VolumeMute,
    VolumeDown,
    VolumeUp,
    NextTrack,
    PreviousTrack,
    StopMedia,
    PlayPause,
    Mail,
    MediaSelect,
    LaunchApp1,
    LaunchApp2,
};

inline constexpr std::size_t kKeyCount = static_cast<std::size_t>(Key::LaunchApp2) + 1;

// How far a key lies along the run that starts at first, or -1 when it is not within count.
constexpr int Along(Key key, Key first, int count) {
    const int offset = static_cast<int>(key) - static_cast<int>(first);
    return offset >= 0 && offset < count ? offset : -1;
}

// As a keyboard's key is labelled, in English ("Page Up", "Right Alt (AltGr)").
const char* KeyName(Key key);

// Any of the three Shifts: a character that needs Shift has it already while one is held.
constexpr bool IsShift(Key key) {
    return key == Key::Shift || key == Key::LeftShift || key == Key::RightShift;
}

}  // namespace qm
