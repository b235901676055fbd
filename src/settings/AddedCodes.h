#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace qm {

// What a code beyond the thirteen does when it arrives.
enum class CodeAction : std::uint8_t {
    LeftLock,
    MiddleClick,
    WheelUp,
    WheelDown,
    WheelLeft,
    WheelRight,
    Faster,
    Slower,
    Escape,
    ArrowLeft,
    ArrowRight,
    ArrowUp,
    ArrowDown,
    Ctrl,
    Alt,
    Logo,
};

// A code added after the thirteen: where the tree keeps it, what the settings tool and the
// "More Codes" dialog call it, and what it does. Every one is a REG_DWORD that trees made
// before it existed lack, so its default is no code (SettingsRecord::kNoCode).
struct AddedCode {
    const char* key;        // below the base key
    const char* valueName;  // the registry value, and the setting's name
    const char* meaning;    // the settings tool's help
    const char* caption;    // the dialog's label and warning
    const char* boxName;    // the dialog's text box
    CodeAction action;
};

// One row per code, in the order of CodeAction: the order the dispatcher matches them in (after
// the thirteen), the dialog lists them in, and loading and saving take them in.
inline constexpr AddedCode kAddedCodes[] = {
    {"Mouse\\Buttons", "LEFT_LOCK_ASCII", "left button lock", "Left Button Lock", "txtLeftLock",
     CodeAction::LeftLock},
    {"Mouse\\Buttons", "MIDDLE_SCLICK_ASCII", "middle click", "Middle Click", "txtMiddleClick",
     CodeAction::MiddleClick},
    {"Mouse\\Buttons", "WHEEL_UP_ASCII", "wheel up", "Wheel Up", "txtWheelUp", CodeAction::WheelUp},
    {"Mouse\\Buttons", "WHEEL_DOWN_ASCII", "wheel down", "Wheel Down", "txtWheelDown", CodeAction::WheelDown},
    {"Mouse\\Buttons", "WHEEL_LEFT_ASCII", "wheel left", "Wheel Left", "txtWheelLeft", CodeAction::WheelLeft},
    {"Mouse\\Buttons", "WHEEL_RIGHT_ASCII", "wheel right", "Wheel Right", "txtWheelRight",
     CodeAction::WheelRight},
    {"Mouse\\Movement", "FASTER_ASCII", "faster", "Faster", "txtFaster", CodeAction::Faster},
    {"Mouse\\Movement", "SLOWER_ASCII", "slower", "Slower", "txtSlower", CodeAction::Slower},
    // The keyboard's keys sit with the switch that lets a device type anything; Ctrl, Alt and
    // the logo key latch and lock.
    {"Emulation", "ESCAPE_ASCII", "Escape", "Escape", "txtEscape", CodeAction::Escape},
    {"Emulation", "ARROW_LEFT_ASCII", "arrow left", "Arrow Left", "txtArrowLeft", CodeAction::ArrowLeft},
    {"Emulation", "ARROW_RIGHT_ASCII", "arrow right", "Arrow Right", "txtArrowRight", CodeAction::ArrowRight},
    {"Emulation", "ARROW_UP_ASCII", "arrow up", "Arrow Up", "txtArrowUp", CodeAction::ArrowUp},
    {"Emulation", "ARROW_DOWN_ASCII", "arrow down", "Arrow Down", "txtArrowDown", CodeAction::ArrowDown},
    {"Emulation", "CTRL_ASCII", "Ctrl", "Ctrl", "txtCtrl", CodeAction::Ctrl},
    {"Emulation", "ALT_ASCII", "Alt", "Alt", "txtAlt", CodeAction::Alt},
    {"Emulation", "LOGO_ASCII", "logo key", "Logo Key", "txtLogo", CodeAction::Logo},
};
inline constexpr std::size_t kAddedCodeCount = std::size(kAddedCodes);

// A row's place in the table is its action's number, so the record can keep the codes by action.
constexpr bool RowsInActionOrder() {
    for (std::size_t i = 0; i < kAddedCodeCount; ++i) {
        if (static_cast<std::size_t>(kAddedCodes[i].action) != i) {
            return false;
        }
    }
    return true;
}
static_assert(RowsInActionOrder());

}  // namespace qm
