#include "ui/PendingState.h"

#include "diag/RaisedError.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsRecord.h"
#include "ui/PortSettingsText.h"

namespace qm {

bool PendingDiffers(const PendingControls& controls, const WorkingCopy& working,
                    const SettingsRecord& settings) {
    // Every comparison is made before the answer is given, so a bad text is reported even when
    // an earlier value already differs: a half-checked state never counts as clean or dirty.
    bool differs = false;
    differs |= ToDouble(controls.BaudRate) != static_cast<double>(settings.BaudRate());
    differs |= ToDouble(controls.DataBits) != static_cast<double>(settings.DataBits());
    differs |= ToDouble(controls.StopBits) != StopBitsValue(settings.StopBits());
    differs |= controls.Parity != settings.Parity();
    differs |= controls.Handshaking != settings.Handshaking();
    if (!controls.PortName) {
        throw RaisedError(91, "frmSerial", "Object variable or With block variable not set");
    }
    differs |= *controls.PortName != settings.PortName();

    // The settings the controls hold are the settings' own in the working copy until Apply
    // stores them, so comparing whole records compares what the dialogs edited.
    differs |= !layout::SameValues(working, settings);
    differs |= (controls.ASCIISequence != 0) != (settings.ASCIISequence() != 0);
    return differs;
}

}  // namespace qm
