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
