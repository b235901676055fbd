#pragma once

#include <linux/input.h>

#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

#include "desktop/Desktop.h"
#include "desktop/PointerEstimate.h"
#include "desktop/uinput/UinputCalls.h"
#include "desktop/uinput/XkbLayout.h"

namespace qm::uinput {
class UinputDevice;
}  // namespace qm::uinput

namespace qm {

// Desktop input through a virtual device of the kernel's (/dev/uinput): a relative mouse and a
// keyboard, which the compositor reads like real ones, so it reaches every Wayland desktop (and
// X11) without asking anything of it, given access to the device node.
//
// The keyboard sends key codes, which the compositor turns into characters with the session's
// layout: characters are typed on the key that layout has for them, with Shift and AltGr, and
// one it has no key for cannot be typed at all. Shift and AltGr are the same keys for a
// character as for Key::Shift and Key::RightAlt, so a held one is not pressed again.
//
// A relative mouse cannot be placed, and the kernel knows no screen: the position is the
// estimate of the program's own moves, an absolute move goes there by the difference, and the
// screen's size is the one given. The compositor may accelerate the moves, and other pointing
// devices move the pointer unseen, so the estimate drifts from the real pointer.
//
// The compositor opens the device a moment after it is made and misses what comes before; made
// at the program's start, before any switch is pressed, it is ready in time.
//
// Every write is a system call, so a batch's events go in one write at its end. The device
// stays the program's as long as it holds it open: there is no connection to lose.
class UinputDesktop : public Desktop {
public:
    // The primary screen's size as the session knows it (1920x1080 when nothing does), and the
    // session's layout, completed from the environment (SessionXkbNames). Throws RaisedError,
    // saying what the user can do, when the device cannot be made. Without calls, the system's.
    explicit UinputDesktop(Size screen = {}, const uinput::XkbNames& layout = {},
                           std::unique_ptr<uinput::UinputCalls> calls = nullptr);
    ~UinputDesktop() override;
    UinputDesktop(const UinputDesktop&) = delete;
    UinputDesktop& operator=(const UinputDesktop&) = delete;

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
    void Add(std::uint16_t type, std::uint16_t code, std::int32_t value);
    // Closes a frame: the events since the last one happened together.
    void Report();
    // A key or button, in a frame of its own.
    void Switch(std::uint16_t code, bool press);
    void SendKey(Key key, bool press);
    void Move(std::int32_t dx, std::int32_t dy);
    // Sent at once outside a batch.
    void Added();
    void Send();

    std::unique_ptr<uinput::UinputCalls> calls_;
    // Made first: where there is no device the layout is not worth reading.
    std::unique_ptr<uinput::UinputDevice> device_;
    uinput::XkbLayout layout_;
    PointerEstimate pointer_;
    std::vector<input_event> pending_;
    int batches_ = 0;            // begun and not yet ended
    std::bitset<KEY_CNT> held_;  // keys and buttons, by code
};

}  // namespace qm
