#include "ui/PendingState.h"

#include "diag/RaisedError.h"
#include "settings/SettingsRecord.h"
#include "ui/PortSettingsText.h"

namespace qm {

AddedValues AddedValues::From(const SettingsRecord& s) {
    return {s.LEFT_LOCK_ASCII(),  s.MIDDLE_SCLICK_ASCII(), s.WHEEL_UP_ASCII(),   s.WHEEL_DOWN_ASCII(),
            s.WHEEL_LEFT_ASCII(), s.WHEEL_RIGHT_ASCII(),   s.FASTER_ASCII(),     s.SLOWER_ASCII(),
            s.Acceleration(),     s.AccelerationMaximum(), s.AccelerationTime(), s.ReconnectAutomatically()};
}

void AddedValues::To(SettingsRecord& s) const {
    s.LEFT_LOCK_ASCII(LEFT_LOCK_ASCII);
    s.MIDDLE_SCLICK_ASCII(MIDDLE_SCLICK_ASCII);
    s.WHEEL_UP_ASCII(WHEEL_UP_ASCII);
    s.WHEEL_DOWN_ASCII(WHEEL_DOWN_ASCII);
    s.WHEEL_LEFT_ASCII(WHEEL_LEFT_ASCII);
    s.WHEEL_RIGHT_ASCII(WHEEL_RIGHT_ASCII);
    s.FASTER_ASCII(FASTER_ASCII);
    s.SLOWER_ASCII(SLOWER_ASCII);
    s.Acceleration(Acceleration);
    s.AccelerationMaximum(AccelerationMaximum);
    s.AccelerationTime(AccelerationTime);
    s.ReconnectAutomatically(ReconnectAutomatically);
}

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

    differs |= working.MovementDelay != settings.MovementDelay();
    differs |= working.MovementIncrementX != settings.MovementIncrementX();
    differs |= working.MovementIncrementY != settings.MovementIncrementY();

    differs |= working.N_ASCII != settings.N_ASCII();
    differs |= working.NE_ASCII != settings.NE_ASCII();
    differs |= working.NW_ASCII != settings.NW_ASCII();
    differs |= working.E_ASCII != settings.E_ASCII();
    differs |= working.W_ASCII != settings.W_ASCII();
    differs |= working.S_ASCII != settings.S_ASCII();
    differs |= working.SW_ASCII != settings.SW_ASCII();
    differs |= working.SE_ASCII != settings.SE_ASCII();
    differs |= working.STOP_ASCII != settings.STOP_ASCII();
    differs |= working.LEFT_SCLICK_ASCII != settings.LEFT_SCLICK_ASCII();
    differs |= working.LEFT_DCLICK_ASCII != settings.LEFT_DCLICK_ASCII();
    differs |= working.RIGHT_SCLICK_ASCII != settings.RIGHT_SCLICK_ASCII();
    differs |= working.RIGHT_DCLICK_ASCII != settings.RIGHT_DCLICK_ASCII();
    differs |= working.BouncyMouse != settings.BouncyMouse();
    differs |= working.BouncyMouseAngle != settings.BouncyMouseAngle();
    differs |= working.ConnectOnApplicationStartup != settings.ConnectOnApplicationStartup();
    differs |= working.RunOnSystemStartup != settings.RunOnSystemStartup();
    differs |= working.TestPorts != settings.TestPorts();

    differs |= working.Added != AddedValues::From(settings);

    differs |= controls.ASCIISequence != settings.ASCIISequence();
    return differs;
}

}  // namespace qm
