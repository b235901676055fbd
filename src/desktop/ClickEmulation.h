#pragma once

#include <cstdint>

#include "desktop/Desktop.h"
#include "loop/EventPump.h"

namespace qm {

// The two buttons a click code names; the middle button has a call of its own.
enum class MouseButton : std::uint8_t { Left, Right };
enum class ClickCount : std::uint8_t { Single, Double };

// Left and right, single and double clicks at the pointer's present position, the middle button,
// the wheels, and the left button held down by a lock. Never moves the pointer and never touches
// the movement (a movement while the lock holds the button is a drag).
class ClickEmulation {
public:
    // Every reference must outlive the object.
    ClickEmulation(Desktop& desktop, EventPump& pump);

    // All events of one click go out together. False after a trapped error.
    // While the lock holds the left button, a click lets it go first.
    bool Click(MouseButton button, ClickCount count);

    bool MiddleClick();
    // One notch of the wheel: up, down (vertical), right, left (horizontal).
    using WheelTurn = Wheel;
    bool TurnWheel(WheelTurn turn);
    // The first call holds the left button down, the next lets it go.
    bool ToggleLeftLock();
    // Lets the locked button go, if it is held (the port has gone, the program ends). No
    // pending events run here.
    void ReleaseLeftLock();
    bool LeftLocked() const { return leftLocked_; }

private:
    Desktop& desktop_;
    EventPump& pump_;
    bool leftLocked_ = false;
};

}  // namespace qm
