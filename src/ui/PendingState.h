#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/SettingsRecord.h"

namespace qm {

// The Properties window's working copy is a whole settings record: Reset makes it a copy of the
// settings, the dialogs edit it, and Apply stores it with the values of the window's own
// controls on top. The movement engine reads the live delay and bounce angle from it;
// everything else waits for Apply or OK.
using WorkingCopy = SettingsRecord;

// The codes beyond the thirteen, in the order "More codes..." lists them.
struct AddedCode {
    const char* name;
    const char* boxName;
    std::int16_t (SettingsRecord::*get)() const;
    void (SettingsRecord::*set)(std::int16_t);
};
inline constexpr AddedCode kAddedCodes[] = {
    {"Left Button Lock", "txtLeftLock", &SettingsRecord::LEFT_LOCK_ASCII, &SettingsRecord::LEFT_LOCK_ASCII},
    {"Middle Click", "txtMiddleClick", &SettingsRecord::MIDDLE_SCLICK_ASCII,
     &SettingsRecord::MIDDLE_SCLICK_ASCII},
    {"Wheel Up", "txtWheelUp", &SettingsRecord::WHEEL_UP_ASCII, &SettingsRecord::WHEEL_UP_ASCII},
    {"Wheel Down", "txtWheelDown", &SettingsRecord::WHEEL_DOWN_ASCII, &SettingsRecord::WHEEL_DOWN_ASCII},
    {"Wheel Left", "txtWheelLeft", &SettingsRecord::WHEEL_LEFT_ASCII, &SettingsRecord::WHEEL_LEFT_ASCII},
    {"Wheel Right", "txtWheelRight", &SettingsRecord::WHEEL_RIGHT_ASCII, &SettingsRecord::WHEEL_RIGHT_ASCII},
    {"Faster", "txtFaster", &SettingsRecord::FASTER_ASCII, &SettingsRecord::FASTER_ASCII},
    {"Slower", "txtSlower", &SettingsRecord::SLOWER_ASCII, &SettingsRecord::SLOWER_ASCII},
    {"Escape", "txtEscape", &SettingsRecord::ESCAPE_ASCII, &SettingsRecord::ESCAPE_ASCII},
    {"Arrow Left", "txtArrowLeft", &SettingsRecord::ARROW_LEFT_ASCII, &SettingsRecord::ARROW_LEFT_ASCII},
    {"Arrow Right", "txtArrowRight", &SettingsRecord::ARROW_RIGHT_ASCII, &SettingsRecord::ARROW_RIGHT_ASCII},
    {"Arrow Up", "txtArrowUp", &SettingsRecord::ARROW_UP_ASCII, &SettingsRecord::ARROW_UP_ASCII},
    {"Arrow Down", "txtArrowDown", &SettingsRecord::ARROW_DOWN_ASCII, &SettingsRecord::ARROW_DOWN_ASCII},
    {"Ctrl", "txtCtrl", &SettingsRecord::CTRL_ASCII, &SettingsRecord::CTRL_ASCII},
    {"Alt", "txtAlt", &SettingsRecord::ALT_ASCII, &SettingsRecord::ALT_ASCII},
    {"Logo Key", "txtLogo", &SettingsRecord::LOGO_ASCII, &SettingsRecord::LOGO_ASCII},
};

// What the window's own controls hold: the line-setting texts, the selected port (none when
// no row is selected) and the emulation check box (0 or 1).
struct PendingControls {
    std::string BaudRate;
    std::string DataBits;
    std::string StopBits;
    std::string Parity;
    std::string Handshaking;
    std::optional<std::string> PortName;
    std::int32_t ASCIISequence = 0;
};

// True when any pending value differs from its setting. Values are compared, not edits, so a
// change made and undone is no difference. Raises (type mismatch) for a line-setting text that
// is not a number, and (object not set) when no port is selected: the caller keeps its state.
bool PendingDiffers(const PendingControls& controls, const WorkingCopy& working,
                    const SettingsRecord& settings);

}  // namespace qm
