#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

class SettingsRecord;

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
