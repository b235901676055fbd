#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "desktop/Desktop.h"

namespace qm {

struct Win32InputCalls;

// Desktop input through SendInput, with VkKeyScanA for a character's key, GetCursorPos and
// GetSystemMetrics for the questions, and MultiByteToWideChar for the character a byte of the
// ANSI code page stands for. Every event is one input record; outside a batch it goes to the
// system in a call of its own, inside one with the batch's other records at the batch's end.
// A character the layout has no key for goes out as itself (a KEYEVENTF_UNICODE record), so the
// system types it. Right Alt (an extended key) is AltGr on the layouts that have one: the system
// adds the left Ctrl that goes with it. Only Shift and AltGr are held for a character, and a
// control character is typed by the key of its own or not at all.
class Win32Desktop final : public Desktop {
public:
    Win32Desktop();  // the system's calls
    explicit Win32Desktop(const Win32InputCalls& calls);
    ~Win32Desktop() override;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    void MoveBy(std::int32_t dx, std::int32_t dy) override;
    void MoveTo(Point position) override;
    void Press(Button button) override;
    void Release(Button button) override;
    void Turn(Wheel wheel) override;
    bool HasKey(Key) override { return true; }
    void Press(Key key) override;
    void Release(Key key) override;
    Typing HowToType(char character) override;
    void Type(char character) override;
    Point PointerPosition() override;
    Size ScreenSize() override;
    void BeginBatch() override { ++batches_; }
    void EndBatch() override;
    void Flush() override { Send(); }

private:
    // An input record's fields that we set, for the keyboard or the mouse.
    struct Event {
        bool keyboard = false;
        std::uint16_t vk = 0;
        std::uint16_t scan = 0;
        std::int32_t dx = 0;
        std::int32_t dy = 0;
        std::uint32_t data = 0;
        std::uint32_t flags = 0;
    };
    // What the system answers for a character: the key and its modifiers (-1: none), and for no
    // key, the character the byte stands for.
    struct Answer {
        char character = 0;
        std::int16_t key = -1;
        std::optional<char32_t> unicode;
    };

    void Add(std::span<const Event> events);
    void Add(const Event& event) { Add(std::span<const Event>(&event, 1)); }
    void SendKey(Key key, bool press);
    Answer LookUp(char character);
    std::int16_t KeyScan(char character);
    void Send();

    std::unique_ptr<Win32InputCalls> calls_;
    std::vector<Event> pending_;
    int batches_ = 0;
    int shiftsHeld_ = 0;  // Shift keys pressed through Press(Key) and not let go
    // HowToType's answer, for the Type that follows it.
    std::optional<Answer> answer_;
};

}  // namespace qm
