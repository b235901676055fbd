#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/Desktop.h"

namespace qm {

// A desktop in memory: it records every event, keeps a pointer that relative moves push around
// (held on the screen, as a system does), and types every character, by key or as itself, as a
// layout that can be changed per character says. For tests, and for benchmarks that want the
// core's own cost without a display.
class RecordingDesktop final : public Desktop {
public:
    struct Step {
        std::int32_t x;
        std::int32_t y;
        bool operator==(const Step&) const = default;
    };

    explicit RecordingDesktop(std::int32_t width = 1024, std::int32_t height = 768);

    void MoveBy(std::int32_t dx, std::int32_t dy) override;
    void MoveTo(Point position) override;
    void Press(Button button) override;
    void Release(Button button) override;
    void Turn(Wheel wheel) override;
    bool HasKey(Key) override { return true; }
    void Press(Key key) override;
    void Release(Key key) override;
    Typing HowToType(char character) override { return layout_[static_cast<unsigned char>(character)]; }
    void Type(char character) override;
    Point PointerPosition() override { return position_; }
    Size ScreenSize() override { return {width_, height_}; }

    // The desktop.
    void SetPointerPosition(Point position) { position_ = Clamp(position.x, position.y); }
    void SetTyping(char character, Typing typing) { layout_[static_cast<unsigned char>(character)] = typing; }

    // What was sent, one word per event: "move 1,-2", "to 3,4", "left down", "right up",
    // "wheel up", "+Ctrl", "-Ctrl", "type a".
    const std::vector<std::string>& Events() const { return events_; }
    // The same, each followed by a space.
    std::string Log() const;
    std::vector<Step> Moves() const { return moves_; }
    // The button events, and the characters typed.
    std::vector<std::string> Buttons() const;
    std::string Typed() const;
    std::size_t EventCount() const { return eventCount_; }
    // Batches as a connection to X keeps them: the writes to the desktop so far, and how many
    // events they carried.
    void BeginBatch() override { ++batches_; }
    void EndBatch() override { --batches_; }
    void Flush() override;
    int Writes() const { return writes_; }
    std::size_t Delivered() const { return delivered_; }
    void Clear();
    // Off: only the counts and the pointer are kept, so a long benchmark does not grow memory.
    void SetKeepEvents(bool keep) { keepEvents_ = keep; }

private:
    void Record(std::string event);
    Point Clamp(std::int64_t x, std::int64_t y) const;

    std::int32_t width_;
    std::int32_t height_;
    Point position_{};
    std::array<Typing, 256> layout_{};
    std::vector<std::string> events_;
    std::vector<Step> moves_;
    std::size_t eventCount_ = 0;
    bool keepEvents_ = true;
    int batches_ = 0;
    int writes_ = 0;
    std::size_t delivered_ = 0;
};

}  // namespace qm
