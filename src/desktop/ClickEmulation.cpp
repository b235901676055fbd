#include "desktop/ClickEmulation.h"

#include "diag/CaughtError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"

namespace qm {
namespace {

constexpr const char* kClick = "frmSerial.CLickMouse";
constexpr const char* kMiddleClick = "frmSerial.MiddleClick";
constexpr const char* kTurnWheel = "frmSerial.TurnWheel";
constexpr const char* kToggleLeftLock = "frmSerial.ToggleLeftLock";

Button ButtonFor(MouseButton button) {
    return button == MouseButton::Left ? Button::Left : Button::Right;
}

}  // namespace

ClickEmulation::ClickEmulation(Desktop& desktop, EventPump& pump) : desktop_(desktop), pump_(pump) {}

bool ClickEmulation::Click(MouseButton button, ClickCount count) {
    return Traced(kClick, false, [&] {
        pump_.DoEvents();
        const Button pressed = ButtonFor(button);
        ReleaseLeftLock();
        InputBatch click(&desktop_);
        for (int i = count == ClickCount::Double ? 2 : 1; i > 0; --i) {
            desktop_.Press(pressed);
            desktop_.Release(pressed);
        }
        return true;
    });
}

bool ClickEmulation::MiddleClick() {
    return Traced(kMiddleClick, false, [&] {
        pump_.DoEvents();
        ReleaseLeftLock();
        InputBatch click(&desktop_);
        desktop_.Press(Button::Middle);
        desktop_.Release(Button::Middle);
        return true;
    });
}

bool ClickEmulation::TurnWheel(WheelTurn turn) {
    return Traced(kTurnWheel, false, [&] {
        pump_.DoEvents();
        InputBatch notch(&desktop_);
        desktop_.Turn(turn);
        return true;
    });
}

bool ClickEmulation::ToggleLeftLock() {
    return Traced(kToggleLeftLock, false, [&] {
        pump_.DoEvents();
        // Decided after the pending events: a nested toggle has already had its turn.
        leftLocked_ = !leftLocked_;
        InputBatch toggle(&desktop_);
        leftLocked_ ? desktop_.Press(Button::Left) : desktop_.Release(Button::Left);
        return true;
    });
}

void ClickEmulation::ReleaseLeftLock() {
    if (leftLocked_) {
        leftLocked_ = false;
        InputBatch release(&desktop_);
        desktop_.Release(Button::Left);
    }
}

}  // namespace qm
