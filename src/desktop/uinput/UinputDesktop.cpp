#include "desktop/uinput/UinputDesktop.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "desktop/uinput/EvdevKeys.h"
#include "desktop/uinput/UinputDevice.h"
#include "diag/Trace.h"

namespace qm {
namespace {

// What to assume when the session does not say: the commonest screen.
constexpr Size kUsualScreen{1920, 1080};
// A wheel's notch, on the fine axes, is 120.
constexpr std::int32_t kHiResNotch = 120;

// Every code a layout's keys can have (as XKB names them: up to 247), so that each character
// of the layout's has its key, and so that the session takes the device for a full keyboard,
// which it does only when the first 31 are all there; and the program's keys above them.
std::vector<std::uint16_t> KeyboardCodes() {
    std::vector<std::uint16_t> codes;
    for (std::uint16_t code = KEY_ESC; code < KEY_MICMUTE; ++code) {
        codes.push_back(code);
    }
    for (std::size_t key = 0; key < kKeyCount; ++key) {
        const std::uint16_t code = uinput::EvdevCode(static_cast<Key>(key));
        if (code >= KEY_MICMUTE) {
            codes.push_back(code);
        }
    }
    return codes;
}

std::uint16_t ButtonCode(Button button) {
    return button == Button::Left ? BTN_LEFT : button == Button::Middle ? BTN_MIDDLE : BTN_RIGHT;
}

}  // namespace

UinputDesktop::UinputDesktop(Size screen, const uinput::XkbNames& layout,
                             std::unique_ptr<uinput::UinputCalls> calls)
    : calls_(calls ? std::move(calls) : uinput::SystemUinputCalls()),
      device_(std::make_unique<uinput::UinputDevice>(*calls_, KeyboardCodes())),
      layout_(uinput::SessionXkbNames(layout)) {
    pointer_.SetScreen(screen.width > 0 && screen.height > 0 ? screen : kUsualScreen);
}

UinputDesktop::~UinputDesktop() {
    ReleaseAll();
}

void UinputDesktop::Add(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    // The kernel stamps the time itself.
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    pending_.push_back(event);
}

void UinputDesktop::Report() {
    Add(EV_SYN, SYN_REPORT, 0);
}

void UinputDesktop::Switch(std::uint16_t code, bool press) {
    Add(EV_KEY, code, press ? 1 : 0);
    Report();
    held_[code] = press;
}

void UinputDesktop::Added() {
    if (batches_ == 0) {
        Send();
    }
}

void UinputDesktop::Send() {
    if (pending_.empty()) {
        return;
    }
    if (!device_->Write(pending_)) {
        Trace("UinputDesktop.Send", TraceError,
              "The kernel did not take " + std::to_string(pending_.size()) +
                  " events: " + std::strerror(errno) + " - dropped");
    }
    pending_.clear();
}

void UinputDesktop::BeginBatch() {
    ++batches_;
}

void UinputDesktop::EndBatch() {
    if (batches_ > 0) {
        --batches_;
    }
    Send();
}

void UinputDesktop::Flush() {
    Send();
}

void UinputDesktop::ReleaseAll() {
    for (std::size_t code = 0; code < held_.size(); ++code) {
        if (held_[code]) {
            Switch(static_cast<std::uint16_t>(code), false);
        }
    }
    Send();
}

void UinputDesktop::MoveBy(std::int32_t dx, std::int32_t dy) {
    Move(dx, dy);
    pointer_.MovedBy(dx, dy);
}

void UinputDesktop::MoveTo(Point position) {
    // A relative mouse has no place to go to, only a way: from where the estimate has it, to
    // the target as the compositor would keep it on the screen.
    const Point from = pointer_.Position();
    const Size screen = pointer_.Screen();
    const Point to{std::clamp(position.x, 0, screen.width - 1), std::clamp(position.y, 0, screen.height - 1)};
    Move(to.x - from.x, to.y - from.y);
    pointer_.MovedTo(to);
}

void UinputDesktop::Move(std::int32_t dx, std::int32_t dy) {
    if (dx == 0 && dy == 0) {
        return;
    }
    if (dx != 0) {
        Add(EV_REL, REL_X, dx);
    }
    if (dy != 0) {
        Add(EV_REL, REL_Y, dy);
    }
    Report();
    Added();
}

void UinputDesktop::Press(Button button) {
    Switch(ButtonCode(button), true);
    Added();
}

void UinputDesktop::Release(Button button) {
    Switch(ButtonCode(button), false);
    Added();
}

void UinputDesktop::Turn(Wheel wheel) {
    // Up and right are the positive ways.
    const bool vertical = wheel == Wheel::Up || wheel == Wheel::Down;
    const std::int32_t way = wheel == Wheel::Up || wheel == Wheel::Right ? 1 : -1;
    Add(EV_REL, vertical ? REL_WHEEL : REL_HWHEEL, way);
    Add(EV_REL, vertical ? REL_WHEEL_HI_RES : REL_HWHEEL_HI_RES, way * kHiResNotch);
    Report();
    Added();
}

bool UinputDesktop::HasKey(Key key) {
    // A key the layout gives nothing would arrive and do nothing.
    return layout_.HasSymbol(uinput::EvdevCode(key));
}

void UinputDesktop::Press(Key key) {
    SendKey(key, true);
}

void UinputDesktop::Release(Key key) {
    SendKey(key, false);
}

void UinputDesktop::SendKey(Key key, bool press) {
    const std::uint16_t code = uinput::EvdevCode(key);
    if (code == 0) {
        return;
    }
    Switch(code, press);
    Added();
}

Typing UinputDesktop::HowToType(char character) {
    return layout_.KeyFor(static_cast<unsigned char>(character)) ? Typing::ByKey : Typing::Not;
}

void UinputDesktop::Type(char character) {
    const std::optional<uinput::CharacterKey>& key = layout_.KeyFor(static_cast<unsigned char>(character));
    if (!key) {
        Trace("UinputDesktop.Type", TraceError,
              "No key of the layout types the character " +
                  std::to_string(static_cast<unsigned char>(character)) + " - not sent");
        return;
    }
    // A Shift or AltGr already held gives the character its own; pressing it again would let
    // go of it after the key. Without AltGr the key would type another character, so AltGr
    // goes around it all; Shift is released before the key, whose press has made the character.
    const bool shift = key->shift && !held_[KEY_LEFTSHIFT] && !held_[KEY_RIGHTSHIFT];
    const bool levelThree = key->levelThree && !held_[KEY_RIGHTALT];
    if (levelThree) {
        Switch(KEY_RIGHTALT, true);
    }
    if (shift) {
        Switch(KEY_LEFTSHIFT, true);
    }
    Switch(key->code, true);
    if (shift) {
        Switch(KEY_LEFTSHIFT, false);
    }
    Switch(key->code, false);
    if (levelThree) {
        Switch(KEY_RIGHTALT, false);
    }
    Added();
}

Point UinputDesktop::PointerPosition() {
    return pointer_.Position();
}

Size UinputDesktop::ScreenSize() {
    return pointer_.Screen();
}

}  // namespace qm
