#include "desktop/remote/RemoteDesktop.h"

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <stdexcept>
#include <string>

#include "desktop/keysyms/KeyKeysyms.h"
#include "desktop/remote/ScreenSize.h"
#include "desktop/remote/SeatKeymap.h"
#include "diag/Trace.h"

namespace qm {

namespace {

// Both interfaces name pointer buttons by the kernel's codes.
constexpr std::int32_t EvdevButton(Button button) {
    return button == Button::Left ? BTN_LEFT : button == Button::Right ? BTN_RIGHT : BTN_MIDDLE;
}

}  // namespace

RemoteDesktop::RemoteDesktop(std::unique_ptr<RemoteSession> session) : session_(std::move(session)) {
    ReadDesktop();
}

RemoteDesktop::~RemoteDesktop() {
    ReleaseAll();
}

void RemoteDesktop::ReadDesktop() {
    generation_ = session_->Generation();
    // A headless compositor's seat has a keyboard only once the remote one has typed: Shift,
    // pressed and let go, types nothing.
    const std::string keymap = ReadSeatKeymap([this] {
        session_->KeyboardKeysymAnswered(XKB_KEY_Shift_L, true);
        session_->KeyboardKeysymAnswered(XKB_KEY_Shift_L, false);
    });
    try {
        layout_ = std::make_unique<LayoutKeys>(keymap);
    } catch (const std::runtime_error& error) {
        Trace("RemoteDesktop", TraceError,
              std::string("The compositor's keyboard layout could not be read (") + error.what() +
                  "); the default layout is assumed");
        layout_ = std::make_unique<LayoutKeys>();
    }
    pointer_.SetScreen(PrimaryScreenSize(session_->Bus()));
    heldKeys_.reset();
    heldButtons_.reset();
    shiftsHeld_ = 0;
}

bool RemoteDesktop::Ready() {
    if (!session_->Usable()) {
        return false;
    }
    if (session_->Generation() != generation_) {
        ReadDesktop();
    }
    return true;
}

void RemoteDesktop::MoveBy(std::int32_t dx, std::int32_t dy) {
    if ((dx == 0 && dy == 0) || !Ready()) {
        return;
    }
    session_->PointerMotion(dx, dy);
    pointer_.MovedBy(dx, dy);
}

void RemoteDesktop::MoveTo(Point position) {
    const Point from = pointer_.Position();
    MoveBy(position.x - from.x, position.y - from.y);
}

void RemoteDesktop::SendButton(Button button, bool press) {
    if (!Ready()) {
        return;
    }
    session_->PointerButton(EvdevButton(button), press);
    heldButtons_[static_cast<std::size_t>(button)] = press;
}

void RemoteDesktop::Press(Button button) {
    SendButton(button, true);
}

void RemoteDesktop::Release(Button button) {
    SendButton(button, false);
}

void RemoteDesktop::Turn(Wheel wheel) {
    if (!Ready()) {
        return;
    }
    const bool vertical = wheel == Wheel::Up || wheel == Wheel::Down;
    session_->PointerAxis(vertical ? 0 : 1, wheel == Wheel::Up || wheel == Wheel::Left ? -1 : 1);
}

std::uint32_t RemoteDesktop::KeyNumber(Key key) {
    // Shift and the level-three shift are the characters' own.
    if (key == Key::Shift && layout_->ShiftKey() != 0) {
        return layout_->ShiftKey();
    }
    if (key == Key::RightAlt && layout_->LevelThreeKey() != 0) {
        return layout_->LevelThreeKey();
    }
    for (const Keysym keysym : KeysymsForKey(key)) {
        if (const std::optional<LayoutKey> found = layout_->Find({keysym})) {
            return found->evdev;
        }
    }
    return 0;
}

bool RemoteDesktop::HasKey(Key key) {
    Ready();
    return KeyNumber(key) != 0;
}

void RemoteDesktop::SendKey(std::uint32_t evdev, bool press) {
    session_->KeyboardKeycode(evdev, press);
    heldKeys_[evdev] = press;
}

void RemoteDesktop::Press(Key key) {
    if (!Ready()) {
        return;
    }
    if (const std::uint32_t evdev = KeyNumber(key); evdev != 0) {
        shiftsHeld_ += IsShift(key) ? 1 : 0;
        SendKey(evdev, true);
    } else {
        Trace("RemoteDesktop.Key", TraceError,
              std::string("No key on the layout for the key ") + KeyName(key));
    }
}

void RemoteDesktop::Release(Key key) {
    if (!Ready()) {
        return;
    }
    if (const std::uint32_t evdev = KeyNumber(key); evdev != 0 && heldKeys_[evdev]) {
        shiftsHeld_ -= IsShift(key) && shiftsHeld_ > 0 ? 1 : 0;
        SendKey(evdev, false);
    }
}

Typing RemoteDesktop::HowToType(char character) {
    Ready();
    return layout_->Find(KeysymsForAnsi(static_cast<unsigned char>(character))) ? Typing::ByKey : Typing::Not;
}

void RemoteDesktop::Type(char character) {
    if (!Ready()) {
        return;
    }
    const std::optional<LayoutKey> key = layout_->Find(KeysymsForAnsi(static_cast<unsigned char>(character)));
    if (!key) {
        Trace("RemoteDesktop.Type", TraceError,
              "No key on the layout types the character " +
                  std::to_string(static_cast<unsigned char>(character)) + " - not sent");
        return;
    }
    // A Shift already held gives the character its Shift; its own would let go of it before the
    // key. Without the level-three shift the key would type another character, so it goes
    // around it all.
    const std::uint32_t shift = key->shift && shiftsHeld_ == 0 ? layout_->ShiftKey() : 0;
    const std::uint32_t levelThree = key->levelThree ? layout_->LevelThreeKey() : 0;
    if (levelThree != 0) {
        SendKey(levelThree, true);
    }
    if (shift != 0) {
        // Shift is released before the key: the key press has already produced the character.
        SendKey(shift, true);
        SendKey(key->evdev, true);
        SendKey(shift, false);
    } else {
        SendKey(key->evdev, true);
    }
    SendKey(key->evdev, false);
    if (levelThree != 0) {
        SendKey(levelThree, false);
    }
}

Point RemoteDesktop::PointerPosition() {
    return pointer_.Position();
}

Size RemoteDesktop::ScreenSize() {
    return pointer_.Screen();
}

void RemoteDesktop::ReleaseAll() {
    if (session_->Usable() && session_->Generation() == generation_) {
        for (std::uint32_t evdev = 0; evdev < heldKeys_.size(); ++evdev) {
            if (heldKeys_[evdev]) {
                session_->KeyboardKeycode(evdev, false);
            }
        }
        for (std::size_t button = 0; button < heldButtons_.size(); ++button) {
            if (heldButtons_[button]) {
                session_->PointerButton(EvdevButton(static_cast<Button>(button)), false);
            }
        }
    }
    heldKeys_.reset();
    heldButtons_.reset();
    shiftsHeld_ = 0;
}

}  // namespace qm
