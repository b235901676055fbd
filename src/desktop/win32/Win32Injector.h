#pragma once

#include <memory>
#include <optional>

#include "desktop/InputInjector.h"

namespace qm {

struct Win32InputCalls;

// Desktop input through SendInput, with mouse_event and keybd_event for the older path,
// VkKeyScanA, GetCursorPos and GetSystemMetrics for the questions, and MultiByteToWideChar for
// the character a byte of the ANSI code page stands for. Each of our calls is one system call
// with the records exactly as given; a character record (KEYEVENTF_UNICODE) stays one, so the
// system types the character itself. Right Alt (VK_RMENU, an extended key) is AltGr on the
// layouts that have one: the system adds the left Ctrl that goes with it. VkKeyScanA answers
// with Shift and AltGr only, the modifiers a keystroke holds, and for a control character with
// the key of its own or none.
class Win32Injector final : public InputInjector {
public:
    Win32Injector();  // the system's calls
    explicit Win32Injector(const Win32InputCalls& calls);
    ~Win32Injector() override;
    Win32Injector(const Win32Injector&) = delete;
    Win32Injector& operator=(const Win32Injector&) = delete;

    void SendInput(std::span<const InputRecord> records) override;
    void mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy, std::uint32_t data = 0) override;
    void keybd_event(std::uint8_t vk, std::uint32_t flags) override;
    std::int16_t VkKeyScanA(char character) override;
    // The system's ANSI code page (CP_ACP), not always Windows-1252.
    std::optional<char32_t> AnsiToUnicode(char character) override;
    Point GetCursorPos() override;
    std::int32_t GetSystemMetrics(std::int32_t index) override;

private:
    std::unique_ptr<Win32InputCalls> calls_;
};

}  // namespace qm
