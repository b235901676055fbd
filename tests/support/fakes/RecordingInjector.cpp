#include "support/fakes/RecordingInjector.h"

#include <algorithm>
#include <cstring>

namespace qm {

RecordingInjector::RecordingInjector(std::int32_t width, std::int32_t height)
    : width_(width), height_(height) {
    for (std::size_t i = 0; i < layout_.size(); ++i) {
        layout_[i] = UsKeyScan(static_cast<unsigned char>(i));
    }
    position_ = Clamp(width / 2, height / 2);
}

std::int16_t RecordingInjector::UsKeyScan(unsigned char c) {
    constexpr std::int16_t kShift = 0x100;
    if (c >= 'a' && c <= 'z') {
        return static_cast<std::int16_t>('A' + (c - 'a'));
    }
    if (c >= 'A' && c <= 'Z') {
        return static_cast<std::int16_t>(kShift | c);
    }
    if (c >= '0' && c <= '9') {
        return static_cast<std::int16_t>(c);
    }
    // The shifted digit row, ")" on 0 to "(" on 9.
    const char* shiftedDigits = ")!@#$%^&*(";
    if (c != 0) {
        if (const char* at = std::strchr(shiftedDigits, c)) {
            return static_cast<std::int16_t>(kShift | ('0' + (at - shiftedDigits)));
        }
    }
    struct Punctuation {
        char plain;
        char shifted;
        std::int16_t vk;
    };
    static constexpr Punctuation kPunctuation[] = {{';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC},
                                                   {'-', '_', 0xBD}, {'.', '>', 0xBE}, {'/', '?', 0xBF},
                                                   {'`', '~', 0xC0}, {'[', '{', 0xDB}, {'\\', '|', 0xDC},
                                                   {']', '}', 0xDD}, {'\'', '"', 0xDE}};
    for (const Punctuation& p : kPunctuation) {
        if (c == static_cast<unsigned char>(p.plain)) {
            return p.vk;
        }
        if (c == static_cast<unsigned char>(p.shifted)) {
            return static_cast<std::int16_t>(kShift | p.vk);
        }
    }
    // The control characters with a key of their own; the others have none.
    switch (c) {
        case ' ':
            return 0x20;
        case 8:   // Backspace
        case 9:   // Tab
        case 13:  // Enter
        case 27:  // Escape
            return static_cast<std::int16_t>(c);
        case 10:
            return 0x0D;
        case 0x7F:
            return 0x08;
        default:
            return -1;
    }
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
    switch (index) {
        case SM_CXSCREEN:
            return width_;
        case SM_CYSCREEN:
            return height_;
        default:
            return 0;
    }
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
