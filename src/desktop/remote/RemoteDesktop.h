#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>

#include "desktop/Desktop.h"
#include "desktop/PointerEstimate.h"
#include "desktop/remote/LayoutKeys.h"
#include "desktop/remote/RemoteSession.h"

namespace qm {

// Desktop input through a remote-desktop session (GNOME's own or the portal's), which both
// take the same calls.
//
// Keys and characters are pressed by the kernel numbers of the compositor's layout's keys,
// with Shift and the level-three shift where a character needs them, as on X11; a character
// the layout has no key for is not typed, since the compositor would drop it unseen. The
// layout is the one the compositor gives its clients when this object is made or the session
// is opened again.
//
// The compositor does not tell where the pointer is: it is estimated, and an absolute move is
// a relative one from the estimate (GNOME takes absolute positions only within a screen cast).
// Calls are sent at once, without waiting for their answers.
class RemoteDesktop : public Desktop {
public:
    ~RemoteDesktop() override;
    RemoteDesktop(const RemoteDesktop&) = delete;
    RemoteDesktop& operator=(const RemoteDesktop&) = delete;

    void MoveBy(std::int32_t dx, std::int32_t dy) override;
    void MoveTo(Point position) override;
    void Press(Button button) override;
    void Release(Button button) override;
    void Turn(Wheel wheel) override;
    bool HasKey(Key key) override;
    void Press(Key key) override;
    void Release(Key key) override;
    Typing HowToType(char character) override;
    void Type(char character) override;
    Point PointerPosition() override;
    Size ScreenSize() override;
    void ReleaseAll() override;

protected:
    explicit RemoteDesktop(std::unique_ptr<RemoteSession> session);

private:
    // True when events can go; a new session has its layout and screen read again.
    bool Ready();
    void ReadDesktop();
    void SendKey(std::uint32_t evdev, bool press);
    void SendButton(Button button, bool press);
    std::uint32_t KeyNumber(Key key);

    std::unique_ptr<RemoteSession> session_;
    std::unique_ptr<LayoutKeys> layout_;
    PointerEstimate pointer_;
    int generation_ = 0;  // the session's whose layout and screen were read
    int shiftsHeld_ = 0;  // Shift keys pressed through Press(Key) and not let go
    // By kernel key number (they end below 768) and by button.
    std::bitset<768> heldKeys_;
    std::bitset<3> heldButtons_;
};

}  // namespace qm
