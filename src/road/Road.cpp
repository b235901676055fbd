#include "road/Road.h"

#include "desktop/Desktop.h"

namespace qm {
Road::Road(Parts parts)
    : parts_(parts),
      movement_(*parts.desktop, *parts.tmrMouseMovement, *parts.pump, *parts.settings,
                [this] { return working_ ? working_() : MovementWorkingValues{}; }),
      clicks_(*parts.desktop, *parts.pump),
      keys_(*parts.desktop),
      decoder_([this](std::int16_t code) { return dispatcher_.ProcessCharacter(code); }),
      dispatcher_(
          *parts.settings, *parts.mscSerial, *parts.pump, decoder_, movement_, clicks_, keys_,
          [this] { Changed(); }, parts.desktop) {}

void Road::Changed() const {
    if (changed_) {
        changed_();
    }
}

RoadStatus Road::Status() const {
    RoadStatus status;
    status.received = dispatcher_.Received();
    status.bytesReceived = dispatcher_.BytesReceived();
    status.counted = dispatcher_.Counted();
    status.leftButtonLocked = clicks_.LeftLocked();
    status.speedFactor = movement_.SpeedFactor();
    for (std::size_t i = 0; i < kModifierCount; ++i) {
        status.modifiers[i] = keys_.Modifiers().StateOf(static_cast<Modifier>(i));
    }
    return status;
}

void Road::PortClosed() {
    dispatcher_.DropPendingInput();
    decoder_.Forget();
    clicks_.ReleaseLeftLock();
    keys_.ReleaseModifiers();
    movement_.StopMouse();
    Changed();
}

void Road::Shutdown() {
    dispatcher_.StopListening();
    dispatcher_.DropPendingInput();
    clicks_.ReleaseLeftLock();
    keys_.ReleaseModifiers();
    parts_.desktop->ReleaseAll();
}

}  // namespace qm
