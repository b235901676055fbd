#include "support/fakes/RecordingDesktop.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

namespace qm {

namespace {

// A US layout, kept to what the tests type: letters, digits, the space and the control
// characters with a key of their own have keys; the other control characters and the bytes
// Windows-1252 leaves undefined are not typed; everything else is typed as itself.
Typing UsTyping(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == 8 ||
        c == 9 || c == 10 || c == 13 || c == 27 || c == 0x7F) {
        return Typing::ByKey;
    }
    if (c < 0x20 || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
        return Typing::Not;
    }
    return Typing::AsCharacter;
}

const char* ButtonName(Button button) {
    return button == Button::Left ? "left" : button == Button::Middle ? "middle" : "right";
}

}  // namespace

RecordingDesktop::RecordingDesktop(std::int32_t width, std::int32_t height) : width_(width), height_(height) {
    for (std::size_t i = 0; i < layout_.size(); ++i) {
        layout_[i] = UsTyping(static_cast<unsigned char>(i));
    }
    position_ = Clamp(width / 2, height / 2);
}

void RecordingDesktop::MoveBy(std::int32_t dx, std::int32_t dy) {
    position_ =
        Clamp(static_cast<std::int64_t>(position_.x) + dx, static_cast<std::int64_t>(position_.y) + dy);
    if (keepEvents_) {
        moves_.push_back({dx, dy});
    }
    Record("move " + std::to_string(dx) + "," + std::to_string(dy));
}

void RecordingDesktop::MoveTo(Point position) {
    position_ = Clamp(position.x, position.y);
    Record("to " + std::to_string(position.x) + "," + std::to_string(position.y));
}

void RecordingDesktop::Press(Button button) {
    Record(std::string(ButtonName(button)) + " down");
}

void RecordingDesktop::Release(Button button) {
    Record(std::string(ButtonName(button)) + " up");
}

void RecordingDesktop::Turn(Wheel wheel) {
    Record(wheel == Wheel::Up     ? "wheel up"
           : wheel == Wheel::Down ? "wheel down"
           : wheel == Wheel::Left ? "wheel left"
                                  : "wheel right");
}

void RecordingDesktop::Press(Key key) {
    Record(std::string("+") + KeyName(key));
}

void RecordingDesktop::Release(Key key) {
    Record(std::string("-") + KeyName(key));
}

void RecordingDesktop::Type(char character) {
    Record("type " + std::string(1, character));
}

std::string RecordingDesktop::Log() const {
    std::string log;
    for (const std::string& event : events_) {
        log += event + " ";
    }
    return log;
}

std::vector<std::string> RecordingDesktop::Buttons() const {
    std::vector<std::string> buttons;
    std::copy_if(events_.begin(), events_.end(), std::back_inserter(buttons),
                 [](const std::string& event) { return event.ends_with(" down") || event.ends_with(" up"); });
    return buttons;
}

std::string RecordingDesktop::Typed() const {
    std::string typed;
    for (const std::string& event : events_) {
        if (event.starts_with("type ")) {
            typed += event.substr(5);
        }
    }
    return typed;
}

void RecordingDesktop::Clear() {
    events_.clear();
    moves_.clear();
    eventCount_ = 0;
    delivered_ = 0;
}

void RecordingDesktop::Flush() {
    if (batches_ == 0 && delivered_ < eventCount_) {
        ++writes_;
        delivered_ = eventCount_;
    }
}

void RecordingDesktop::Record(std::string event) {
    ++eventCount_;
    if (keepEvents_) {
        events_.push_back(std::move(event));
    }
    Flush();
}

// The system keeps the pointer on the screen: from 0 to one less than the size.
Point RecordingDesktop::Clamp(std::int64_t x, std::int64_t y) const {
    const std::int64_t right = std::max<std::int64_t>(0, static_cast<std::int64_t>(width_) - 1);
    const std::int64_t bottom = std::max<std::int64_t>(0, static_cast<std::int64_t>(height_) - 1);
    return Point{static_cast<std::int32_t>(std::clamp<std::int64_t>(x, 0, right)),
                 static_cast<std::int32_t>(std::clamp<std::int64_t>(y, 0, bottom))};
}

}  // namespace qm
