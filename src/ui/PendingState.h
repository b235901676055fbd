#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

class SettingsRecord;

// The settings added after the written ones, pending as the others are: the optional codes
// ("More codes..."), acceleration ("Advanced...") and reconnecting ("Startup..."). A code of -1
// is no code.
struct AddedValues {
    std::int16_t LEFT_LOCK_ASCII = -1;
    std::int16_t MIDDLE_SCLICK_ASCII = -1;
    std::int16_t WHEEL_UP_ASCII = -1;
    std::int16_t WHEEL_DOWN_ASCII = -1;
    std::int16_t WHEEL_LEFT_ASCII = -1;
    std::int16_t WHEEL_RIGHT_ASCII = -1;
    std::int16_t FASTER_ASCII = -1;
    std::int16_t SLOWER_ASCII = -1;
    std::int16_t Acceleration = 0;
    std::int16_t AccelerationMaximum = 0;
    std::int32_t AccelerationTime = 0;
    std::int16_t ReconnectAutomatically = 0;

    static AddedValues From(const SettingsRecord& settings);
    void To(SettingsRecord& settings) const;
    bool operator==(const AddedValues&) const = default;
};

// The optional codes in the order "More codes..." lists them: the action's name and its field.
struct AddedCode {
    const char* name;
    const char* boxName;
    std::int16_t AddedValues::*field;
};
inline constexpr AddedCode kAddedCodes[] = {
    {"Left Button Lock", "txtLeftLock", &AddedValues::LEFT_LOCK_ASCII},
    {"Middle Click", "txtMiddleClick", &AddedValues::MIDDLE_SCLICK_ASCII},
    {"Wheel Up", "txtWheelUp", &AddedValues::WHEEL_UP_ASCII},
    {"Wheel Down", "txtWheelDown", &AddedValues::WHEEL_DOWN_ASCII},
    {"Wheel Left", "txtWheelLeft", &AddedValues::WHEEL_LEFT_ASCII},
    {"Wheel Right", "txtWheelRight", &AddedValues::WHEEL_RIGHT_ASCII},
    {"Faster", "txtFaster", &AddedValues::FASTER_ASCII},
    {"Slower", "txtSlower", &AddedValues::SLOWER_ASCII},
};

// The Properties window's working copy: the settings edited through its dialogs, under the
// settings' own names and types. The movement engine reads the live delay and bounce angle
// from here; everything else waits for Apply or OK.
struct WorkingCopy {
    std::int16_t N_ASCII = 0;
    std::int16_t NE_ASCII = 0;
    std::int16_t NW_ASCII = 0;
    std::int16_t E_ASCII = 0;
    std::int16_t W_ASCII = 0;
    std::int16_t S_ASCII = 0;
    std::int16_t SW_ASCII = 0;
    std::int16_t SE_ASCII = 0;
    std::int16_t STOP_ASCII = 0;
    std::int16_t LEFT_SCLICK_ASCII = 0;
    std::int16_t LEFT_DCLICK_ASCII = 0;
    std::int16_t RIGHT_SCLICK_ASCII = 0;
    std::int16_t RIGHT_DCLICK_ASCII = 0;
    std::int16_t BouncyMouse = 0;
    std::int16_t BouncyMouseAngle = 0;
    float MovementDelay = 0;
    float MovementIncrementX = 0;
    float MovementIncrementY = 0;
    std::int16_t ConnectOnApplicationStartup = 0;
    std::int16_t RunOnSystemStartup = 0;
    std::int16_t TestPorts = 0;
    AddedValues Added;
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
