#include "ui/WorkingCopyDialogs.h"

#include "settings/SettingsRecord.h"
#include "ui/frmMoreCodes.h"
#include "ui/frmMouseMovementAdvanced.h"
#include "ui/frmStartupOptions.h"

namespace qm {

void EditStartupOptions(QWidget* owner, SettingsRecord& working) {
    frmStartupOptions dialog(owner);
    dialog.RunOnSystemStartup(working.RunOnSystemStartup());
    dialog.ConnectOnStartup(working.ConnectOnApplicationStartup());
    dialog.CheckPortsOnStartup(working.TestPorts());
    dialog.ReconnectAutomatically(working.ReconnectAutomatically());
    dialog.exec();
    // The dialog hands back check-box values, 0 or 1.
    working.RunOnSystemStartup(static_cast<std::int16_t>(dialog.RunOnSystemStartup()));
    working.ConnectOnApplicationStartup(static_cast<std::int16_t>(dialog.ConnectOnStartup()));
    working.TestPorts(static_cast<std::int16_t>(dialog.CheckPortsOnStartup()));
    working.ReconnectAutomatically(static_cast<std::int16_t>(dialog.ReconnectAutomatically()));
}

void EditMovementTuning(QWidget* owner, SettingsRecord& working) {
    MovementTuning tuning{
        working.MovementDelay(),       working.MovementIncrementX(), working.MovementIncrementY(),
        working.BouncyMouse(),         working.BouncyMouseAngle(),   working.Acceleration(),
        working.AccelerationMaximum(), working.AccelerationTime(),   working.AccelerationStart()};
    frmMouseMovementAdvanced::Edit(owner, tuning);
    // The movement engine reads the working delay and angle at each step, so they act at once.
    working.MovementDelay(tuning.MovementDelay);
    working.MovementIncrementX(tuning.MovementIncrementX);
    working.MovementIncrementY(tuning.MovementIncrementY);
    working.BouncyMouse(tuning.BouncyMouse);
    working.BouncyMouseAngle(tuning.BouncyMouseAngle);
    working.Acceleration(tuning.Acceleration);
    working.AccelerationMaximum(tuning.AccelerationMaximum);
    working.AccelerationTime(tuning.AccelerationTime);
    working.AccelerationStart(tuning.AccelerationStart);
}

void EditMoreCodes(QWidget* owner, SettingsRecord& working, std::int32_t handshaking,
                   CodeListening* listening) {
    frmMoreCodes dialog(owner);
    dialog.Codes(working);
    dialog.Handshaking(handshaking);
    dialog.Listening(listening);
    dialog.exec();
    working = dialog.Codes();
}

}  // namespace qm
