#include "desktop/wayland/WlrootsDesktop.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <thread>
#include <vector>

#include "desktop/keysyms/AnsiKeysym.h"
#include "desktop/wayland/WlrootsConnection.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace qm {

namespace {

constexpr const char* kConnect = "WlrootsDesktop.Connect";
constexpr auto kRetry = std::chrono::seconds(1);
// Clients bind a seat's new pointer or keyboard only after the compositor announces it, so the
// events of the first moments after the devices are made reach nobody (sway 1.7 lost some, and
// none after 300 ms).
constexpr auto kSettling = std::chrono::milliseconds(300);
// One notch of a wheel, in the units a wheel mouse reports to wlroots.
constexpr int kNotch = 15;

constexpr std::uint32_t ButtonCode(Button button) {
    return button == Button::Left ? BTN_LEFT : button == Button::Middle ? BTN_MIDDLE : BTN_RIGHT;
}

}  // namespace

WlrootsDesktop::WlrootsDesktop(const std::string& displayName)
    : displayName_(displayName), start_(std::chrono::steady_clock::now()) {
    connection_ = std::make_unique<wayland::WlrootsConnection>(displayName_);
    if (!Connect()) {
        throw RaisedError(err::InvalidProcedureCall, "WlrootsDesktop",
                          "No memory file could be made for the virtual keyboard's keymap");
    }
    tried_ = std::chrono::steady_clock::now();
}

WlrootsDesktop::~WlrootsDesktop() {
    ReleaseAll();
}

bool WlrootsDesktop::Connect() {
    uploaded_ = keymap_.Revision();
    if (!connection_->UploadKeymap(keymap_.Text())) {
        Trace(kConnect, TraceError, "No memory file for the keymap");
        connection_.reset();
        return false;
    }
    SendModifiers();
    // The compositor has made the devices once it has answered.
    connection_->Settle();
    settled_ = std::chrono::steady_clock::now() + kSettling;
    TakeScreen();
    return true;
}

bool WlrootsDesktop::Connected() {
    if (connection_) {
        // Only the first events of a connection wait, and only for what is left of the time.
        if (settled_) {
            std::this_thread::sleep_until(*settled_);
            settled_.reset();
        }
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - tried_ < kRetry) {
        return false;
    }
    tried_ = now;
    try {
        connection_ = std::make_unique<wayland::WlrootsConnection>(displayName_);
    } catch (const RaisedError&) {
        return false;
    }
    Trace(kConnect, TraceMessage, "Connected to the Wayland compositor again");
    return Connect() && Connected();
}

void WlrootsDesktop::Disconnected() {
    Trace(kConnect, TraceError, "The Wayland compositor went away; events are dropped until it is back");
    connection_.reset();
    // Nothing is held or locked on a compositor that has lost the devices.
    heldKeys_.reset();
    heldButtons_.reset();
    locked_ = 0;
    unsent_ = false;
    tried_ = std::chrono::steady_clock::now();
}

std::uint32_t WlrootsDesktop::Now() const {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_)
            .count());
}

void WlrootsDesktop::BeginBatch() {
    ++batches_;
}

void WlrootsDesktop::EndBatch() {
    if (batches_ > 0) {
        --batches_;
    }
    if (batches_ == 0) {
        Flush();
    }
}

void WlrootsDesktop::Flush() {
    if (unsent_) {
        Send();
    }
}

void WlrootsDesktop::Send() {
    unsent_ = false;
    // Reading what came as well notices a compositor that has gone.
    if (!connection_->Send() || !connection_->TakeNotices()) {
        Disconnected();
    }
}

void WlrootsDesktop::Requested() {
    unsent_ = true;
    if (batches_ == 0) {
        Send();
    }
}

void WlrootsDesktop::TakeScreen() {
    const Size size = connection_->OutputSize();
    if (size.width > 0 && size.height > 0 &&
        (size.width != estimate_.Screen().width || size.height != estimate_.Screen().height)) {
        estimate_.SetScreen(size);
    }
}

void WlrootsDesktop::MoveBy(std::int32_t dx, std::int32_t dy) {
    if ((dx == 0 && dy == 0) || !Connected()) {
        return;
    }
    zwlr_virtual_pointer_v1_motion(connection_->Pointer(), Now(), wl_fixed_from_int(dx),
                                   wl_fixed_from_int(dy));
    zwlr_virtual_pointer_v1_frame(connection_->Pointer());
    estimate_.MovedBy(dx, dy);
    Requested();
}

void WlrootsDesktop::MoveTo(Point position) {
    if (!Connected()) {
        return;
    }
    TakeScreen();
    const Size screen = estimate_.Screen();
    if (screen.width <= 0 || screen.height <= 0) {
        return;  // no output to move over
    }
    estimate_.MovedTo(position);
    const Point to = estimate_.Position();
    zwlr_virtual_pointer_v1_motion_absolute(
        connection_->Pointer(), Now(), static_cast<std::uint32_t>(to.x), static_cast<std::uint32_t>(to.y),
        static_cast<std::uint32_t>(screen.width), static_cast<std::uint32_t>(screen.height));
    zwlr_virtual_pointer_v1_frame(connection_->Pointer());
    Requested();
}

void WlrootsDesktop::Press(Button button) {
    SendButton(button, true);
}

void WlrootsDesktop::Release(Button button) {
    SendButton(button, false);
}

void WlrootsDesktop::SendButton(Button button, bool press) {
    if (!Connected()) {
        return;
    }
    zwlr_virtual_pointer_v1_button(
        connection_->Pointer(), Now(), ButtonCode(button),
        press ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(connection_->Pointer());
    heldButtons_[static_cast<std::size_t>(button)] = press;
    Requested();
}

void WlrootsDesktop::Turn(Wheel wheel) {
    if (!Connected()) {
        return;
    }
    const bool vertical = wheel == Wheel::Up || wheel == Wheel::Down;
    // Wayland's axes grow downwards and to the right.
    const int steps = wheel == Wheel::Up || wheel == Wheel::Left ? -1 : 1;
    zwlr_virtual_pointer_v1* pointer = connection_->Pointer();
    zwlr_virtual_pointer_v1_axis_source(pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
    zwlr_virtual_pointer_v1_axis_discrete(
        pointer, Now(), vertical ? WL_POINTER_AXIS_VERTICAL_SCROLL : WL_POINTER_AXIS_HORIZONTAL_SCROLL,
        wl_fixed_from_int(steps * kNotch), steps);
    zwlr_virtual_pointer_v1_frame(pointer);
    Requested();
}

bool WlrootsDesktop::HasKey(Key key) {
    return keymap_.KeycodeOf(key) != 0;
}

void WlrootsDesktop::Press(Key key) {
    if (const unsigned keycode = keymap_.KeycodeOf(key); keycode != 0 && Connected()) {
        SendKey(keycode, true);
        Requested();
    }
}

void WlrootsDesktop::Release(Key key) {
    if (const unsigned keycode = keymap_.KeycodeOf(key); keycode != 0 && Connected()) {
        SendKey(keycode, false);
        Requested();
    }
}

Typing WlrootsDesktop::HowToType(char character) {
    // Every character with a keysym has a key on the keymap, if not yet then when it is typed.
    return KeysymsForAnsi(static_cast<unsigned char>(character)).empty() ? Typing::Not : Typing::ByKey;
}

void WlrootsDesktop::Type(char character) {
    const std::vector<Keysym> keysyms = KeysymsForAnsi(static_cast<unsigned char>(character));
    if (keysyms.empty() || !Connected()) {
        return;
    }
    // The character's key has one level: a Shift held through Press leaves it as it is, and a
    // Ctrl held makes it a shortcut, as on a keyboard.
    const unsigned keycode = keymap_.CharacterKeycode(keysyms.front());
    UploadKeymapIfChanged();
    if (!connection_) {
        return;
    }
    SendKey(keycode, true);
    SendKey(keycode, false);
    Requested();
}

void WlrootsDesktop::UploadKeymapIfChanged() {
    if (uploaded_ == keymap_.Revision()) {
        return;
    }
    uploaded_ = keymap_.Revision();
    if (!connection_->UploadKeymap(keymap_.Text())) {
        Disconnected();
        return;
    }
    // A new keymap starts the compositor's state afresh.
    SendModifiers();
}

void WlrootsDesktop::SendKey(unsigned keycode, bool press) {
    // The protocol counts keys as the kernel does, 8 below the keymap's keycodes.
    zwp_virtual_keyboard_v1_key(connection_->Keyboard(), Now(), keycode - 8,
                                press ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    heldKeys_[keycode] = press;
    const std::uint32_t locks = keymap_.LockedModifiers(keycode);
    if (press) {
        locked_ ^= locks;
    }
    if (locks != 0 || keymap_.HeldModifiers(keycode) != 0) {
        SendModifiers();
    }
}

void WlrootsDesktop::SendModifiers() {
    std::uint32_t depressed = 0;
    for (unsigned keycode = 0; keycode < heldKeys_.size(); ++keycode) {
        if (heldKeys_[keycode]) {
            depressed |= keymap_.HeldModifiers(keycode);
        }
    }
    zwp_virtual_keyboard_v1_modifiers(connection_->Keyboard(), depressed, 0, locked_, 0);
}

Point WlrootsDesktop::PointerPosition() {
    return estimate_.Position();
}

Size WlrootsDesktop::ScreenSize() {
    if (connection_) {
        if (connection_->TakeNotices()) {
            TakeScreen();
        } else {
            Disconnected();
        }
    }
    return estimate_.Screen();
}

void WlrootsDesktop::ReleaseAll() {
    if (!connection_) {
        return;
    }
    for (std::size_t button = 0; button < heldButtons_.size(); ++button) {
        if (heldButtons_[button]) {
            SendButton(static_cast<Button>(button), false);
        }
    }
    for (unsigned keycode = 0; keycode < heldKeys_.size(); ++keycode) {
        if (heldKeys_[keycode]) {
            SendKey(keycode, false);
        }
    }
    if (connection_) {
        Send();
    }
}

}  // namespace qm
