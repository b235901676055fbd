#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "desktop/InputInjector.h"

namespace qm {

// A desktop in memory: it records every injection call, keeps a pointer that relative moves
// push around (held on the screen, as a system does), and answers key lookups from a small US
// keyboard layout that can be changed per character. For tests, and for benchmarks that want
// the core's own cost without a display.
class RecordingInjector final : public InputInjector {
public:
    enum class Path { SendInput, mouse_event, keybd_event };

    struct Step {
        std::int32_t x;
        std::int32_t y;
        bool operator==(const Step&) const = default;
    };
    struct Call {
        Path path = Path::SendInput;
        std::vector<InputRecord> records;  // one record for the older calls
    };

    explicit RecordingInjector(std::int32_t width = 1024, std::int32_t height = 768);

    void SendInput(std::span<const InputRecord> records) override;
    void mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy, std::uint32_t data = 0) override;
    void keybd_event(std::uint8_t vk, std::uint32_t flags) override;
    std::int16_t VkKeyScanA(char character) override;
    Point GetCursorPos() override { return position_; }
    std::int32_t GetSystemMetrics(std::int32_t index) override;

    // The desktop.
    void SetCursorPos(Point position) { position_ = Clamp(position.x, position.y); }
    // Changes the layout's answer for one character (-1: no key).
    void SetKeyScan(char character, std::int16_t answer);

    // What was sent.
    const std::vector<Call>& Calls() const { return calls_; }
    // Every record of every call, in order.
    std::vector<InputRecord> Records() const;
    // The relative moves, and the flags of the other mouse records.
    std::vector<Step> Moves() const;
    std::vector<std::uint32_t> Buttons() const;
    std::size_t CallCount() const { return callCount_; }
    std::size_t RecordCount() const { return recordCount_; }
    // Batches as a connection to X keeps them: the writes to the desktop so far, and how many
    // records they carried.
    void BeginBatch() override { ++batches_; }
    void EndBatch() override { --batches_; }
    void Flush() override;
    int Writes() const { return writes_; }
    std::size_t Delivered() const { return delivered_; }
    void Clear();
    // Off: only the counts and the pointer are kept, so a long benchmark does not grow memory.
    void SetKeepCalls(bool keep) { keepCalls_ = keep; }

private:
    void Record(Path path, std::span<const InputRecord> records);
    Point Clamp(std::int64_t x, std::int64_t y) const;

    std::int32_t width_;
    std::int32_t height_;
    Point position_{};
    std::array<std::int16_t, 256> layout_{};
    std::vector<Call> calls_;
    std::size_t callCount_ = 0;
    std::size_t recordCount_ = 0;
    bool keepCalls_ = true;
    int batches_ = 0;
    int writes_ = 0;
    std::size_t delivered_ = 0;
};

}  // namespace qm
