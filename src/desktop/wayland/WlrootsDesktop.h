#pragma once

#include <bitset>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "desktop/Desktop.h"
#include "desktop/PointerEstimate.h"
#include "desktop/wayland/VirtualKeymap.h"

namespace qm::wayland {
class WlrootsConnection;
}

namespace qm {

// Desktop input on a wlroots compositor (sway, Hyprland, labwc, ...) through its virtual pointer
// and virtual keyboard, which it offers to any client without asking the user.
//
// The keyboard carries a keymap of the program's own (VirtualKeymap), so every character of
// Windows-1252 arrives whatever the seat's layout is, and the user's layout lends no keycode.
// The compositor takes the modifiers from the keyboard's client rather than from its keys, so
// they are told after every change of a modifier key.
//
// Wayland does not tell a client where the pointer is: the position is an estimate from the
// program's own moves, and the screen is the compositor's first output. Absolute moves span the
// whole layout of outputs, which is that output when it is the only one.
//
// Requests are written at once, except inside a batch. When the compositor goes away, events
// are dropped and a new connection is tried at most once a second on later calls.
class WlrootsDesktop : public Desktop {
public:
    // An empty name connects to WAYLAND_DISPLAY. Throws RaisedError when there is no display or
    // the compositor lacks the virtual pointer or keyboard.
    explicit WlrootsDesktop(const std::string& displayName = {});
    ~WlrootsDesktop() override;
    WlrootsDesktop(const WlrootsDesktop&) = delete;
    WlrootsDesktop& operator=(const WlrootsDesktop&) = delete;

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
    void BeginBatch() override;
    void EndBatch() override;
    void Flush() override;

private:
    // Connects with the devices ready for events; false when there is no connection (the
    // reason traced once), or it broke.
    bool Connect();
    // A connection, or another try at one when the last was a second ago or more.
    bool Connected();
    void Disconnected();
    // After requests: sent at once outside a batch.
    void Requested();
    void Send();
    void SendButton(Button button, bool press);
    void SendKey(unsigned keycode, bool press);
    void SendModifiers();
    void UploadKeymapIfChanged();
    void TakeScreen();
    std::uint32_t Now() const;

    std::string displayName_;
    std::unique_ptr<wayland::WlrootsConnection> connection_;
    wayland::VirtualKeymap keymap_;
    unsigned uploaded_ = 0;  // the keymap revision the connection's keyboard has
    PointerEstimate estimate_;
    std::chrono::steady_clock::time_point tried_;
    std::chrono::steady_clock::time_point start_;
    std::optional<std::chrono::steady_clock::time_point> settled_;  // until the first event
    std::bitset<256> heldKeys_;
    std::bitset<3> heldButtons_;
    std::uint32_t locked_ = 0;  // the lock keys' modifiers in force
    int batches_ = 0;
    bool unsent_ = false;
};

}  // namespace qm
