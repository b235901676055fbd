#include "support/fakes/RecordingInjector.h"

#include <algorithm>

namespace qm {

namespace {

// A US layout's answer, kept to what the tests type: letters (capitals with Shift), digits, the
// space and the control characters with a key of their own. Punctuation answers as a key
// without one would.
std::int16_t UsKeyScan(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<std::int16_t>(c - 'a' + 'A');
    }
    if (c >= 'A' && c <= 'Z') {
        return static_cast<std::int16_t>(0x100 | c);
    }
    if ((c >= '0' && c <= '9') || c == ' ' || c == 8 || c == 9 || c == 13 || c == 27) {
        return c;
    }
    return c == 10 ? 0x0D : c == 0x7F ? 0x08 : -1;
}

}  // namespace

RecordingInjector::RecordingInjector(std::int32_t width, std::int32_t height)
    : width_(width), height_(height) {
    for (std::size_t i = 0; i < layout_.size(); ++i) {
        layout_[i] = UsKeyScan(static_cast<unsigned char>(i));
    }
    position_ = Clamp(width / 2, height / 2);
}

void RecordingInjector::SendInput(std::span<const InputRecord> records) {
    Record(Path::SendInput, records);
}

void RecordingInjector::mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy,
                                    std::uint32_t data) {
    const InputRecord record = InputRecord::Mouse(flags, dx, dy, data);
    Record(Path::mouse_event, std::span<const InputRecord>(&record, 1));
}

void RecordingInjector::keybd_event(std::uint8_t vk, std::uint32_t flags) {
    const InputRecord record = InputRecord::Key(vk, flags);
    Record(Path::keybd_event, std::span<const InputRecord>(&record, 1));
}

std::int16_t RecordingInjector::VkKeyScanA(char character) {
    return layout_[static_cast<unsigned char>(character)];
}

std::int32_t RecordingInjector::GetSystemMetrics(std::int32_t index) {
    return index == SM_CXSCREEN ? width_ : index == SM_CYSCREEN ? height_ : 0;
}

void RecordingInjector::SetKeyScan(char character, std::int16_t answer) {
    layout_[static_cast<unsigned char>(character)] = answer;
}

std::vector<InputRecord> RecordingInjector::Records() const {
    std::vector<InputRecord> all;
    for (const Call& call : calls_) {
        all.insert(all.end(), call.records.begin(), call.records.end());
    }
    return all;
}

std::vector<RecordingInjector::Step> RecordingInjector::Moves() const {
    std::vector<Step> moves;
    for (const InputRecord& r : Records()) {
        if (r.type == INPUT_MOUSE && r.mi.dwFlags == MOUSEEVENTF_MOVE) {
            moves.push_back({r.mi.dx, r.mi.dy});
        }
    }
    return moves;
}

std::vector<std::uint32_t> RecordingInjector::Buttons() const {
    std::vector<std::uint32_t> buttons;
    for (const InputRecord& r : Records()) {
        if (r.type == INPUT_MOUSE && r.mi.dwFlags != MOUSEEVENTF_MOVE) {
            buttons.push_back(r.mi.dwFlags);
        }
    }
    return buttons;
}

void RecordingInjector::Clear() {
    calls_.clear();
    callCount_ = 0;
    recordCount_ = 0;
    delivered_ = 0;
}

void RecordingInjector::Flush() {
    if (delivered_ < recordCount_) {
        ++writes_;
        delivered_ = recordCount_;
    }
}

void RecordingInjector::Record(Path path, std::span<const InputRecord> records) {
    ++callCount_;
    recordCount_ += records.size();
    for (const InputRecord& record : records) {
        if (record.type == INPUT_MOUSE && (record.mi.dwFlags & MOUSEEVENTF_MOVE) != 0) {
            position_ = Clamp(static_cast<std::int64_t>(position_.x) + record.mi.dx,
                              static_cast<std::int64_t>(position_.y) + record.mi.dy);
        }
    }
    if (keepCalls_) {
        calls_.push_back(Call{path, std::vector<InputRecord>(records.begin(), records.end())});
    }
    if (batches_ == 0) {
        Flush();
    }
}

// The system keeps the pointer on the screen: from 0 to one less than the size.
Point RecordingInjector::Clamp(std::int64_t x, std::int64_t y) const {
    const std::int64_t right = std::max<std::int64_t>(0, static_cast<std::int64_t>(width_) - 1);
    const std::int64_t bottom = std::max<std::int64_t>(0, static_cast<std::int64_t>(height_) - 1);
    return Point{static_cast<std::int32_t>(std::clamp<std::int64_t>(x, 0, right)),
                 static_cast<std::int32_t>(std::clamp<std::int64_t>(y, 0, bottom))};
}

}  // namespace qm
