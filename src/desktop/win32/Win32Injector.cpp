#include "desktop/win32/Win32Injector.h"

#include <vector>

#include "desktop/win32/Win32InputCalls.h"

namespace qm {

Win32InputCalls Win32InputCalls::System() {
    Win32InputCalls calls;
    calls.SendInput = [](UINT count, LPINPUT inputs, int size) { return ::SendInput(count, inputs, size); };
    calls.mouse_event = [](DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extraInfo) {
        ::mouse_event(flags, dx, dy, data, extraInfo);
    };
    calls.keybd_event = [](BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extraInfo) {
        ::keybd_event(vk, scan, flags, extraInfo);
    };
    calls.VkKeyScanA = [](CHAR character) { return ::VkKeyScanA(character); };
    calls.MultiByteToWideChar = [](UINT codePage, DWORD flags, LPCCH text, int length, LPWSTR wide,
                                   int wideLength) {
        return ::MultiByteToWideChar(codePage, flags, text, length, wide, wideLength);
    };
    calls.GetCursorPos = [](LPPOINT point) { return ::GetCursorPos(point); };
    calls.GetSystemMetrics = [](int index) { return ::GetSystemMetrics(index); };
    return calls;
}

Win32Injector::Win32Injector() : Win32Injector(Win32InputCalls::System()) {}

Win32Injector::Win32Injector(const Win32InputCalls& calls)
    : calls_(std::make_unique<Win32InputCalls>(calls)) {}

Win32Injector::~Win32Injector() = default;

void Win32Injector::SendInput(std::span<const InputRecord> records) {
    if (records.empty()) {
        return;  // nothing to deliver, and the system would only refuse the call
    }
    // Our records use the system's numbering for types, flags and keys, so they carry over
    // field by field; only the layout differs (INPUT is a union, 40 bytes on 64-bit Windows).
    std::vector<INPUT> inputs(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const InputRecord& record = records[i];
        INPUT& input = inputs[i];
        input.type = record.type;
        if (record.type == INPUT_KEYBOARD) {
            input.ki.wVk = record.ki.wVk;
            input.ki.wScan = record.ki.wScan;
            input.ki.dwFlags = record.ki.dwFlags;
            input.ki.time = 0;
            input.ki.dwExtraInfo = 0;
        } else {
            input.mi.dx = record.mi.dx;
            input.mi.dy = record.mi.dy;
            input.mi.mouseData = record.mi.mouseData;
            input.mi.dwFlags = record.mi.dwFlags;
            input.mi.time = 0;
            input.mi.dwExtraInfo = 0;
        }
    }
    calls_->SendInput(static_cast<UINT>(inputs.size()), inputs.data(), static_cast<int>(sizeof(INPUT)));
}

void Win32Injector::mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy, std::uint32_t data) {
    // The older call takes the relative distances as DWORDs holding the signed values, and the
    // wheel's distance the same way.
    calls_->mouse_event(flags, static_cast<DWORD>(static_cast<std::uint32_t>(dx)),
                        static_cast<DWORD>(static_cast<std::uint32_t>(dy)), static_cast<DWORD>(data), 0);
}

void Win32Injector::keybd_event(std::uint8_t vk, std::uint32_t flags) {
    calls_->keybd_event(vk, 0, flags, 0);
}

std::int16_t Win32Injector::VkKeyScanA(char character) {
    // The system answers for most control characters with Ctrl and a letter or bracket key,
    // which without Ctrl types that letter. Only those with a key of their own are typed, and
    // as that key: Backspace also for DEL (Ctrl+Backspace), Enter also for line feed
    // (Ctrl+Enter). These virtual keys are the same on every layout.
    switch (static_cast<unsigned char>(character)) {
        case '\b':
        case 0x7F:
            return VK_BACK;
        case '\t':
            return VK_TAB;
        case '\n':
        case '\r':
            return VK_RETURN;
        case 0x1B:
            return VK_ESCAPE;
        default:
            if (static_cast<unsigned char>(character) < 0x20) {
                return -1;
            }
            break;
    }
    const SHORT answer = calls_->VkKeyScanA(character);
    // Only Shift and AltGr (Ctrl and Alt together) are held for a character. A printable one
    // whose key needs Ctrl or Alt alone, or a modifier of the layout's own (Kana and the like),
    // would come out as another character: answered as no key, it is typed as itself.
    const auto modifiers = static_cast<unsigned>(static_cast<std::uint16_t>(answer)) >> 8;
    if (answer != -1 && (modifiers & ~0x1u) != 0 && (modifiers & ~0x1u) != 0x6) {
        return -1;
    }
    return answer;
}

std::optional<char32_t> Win32Injector::AnsiToUnicode(char character) {
    WCHAR wide[2] = {};
    // One byte gives one UTF-16 unit in every ANSI code page, or none when it only begins a
    // double-byte character.
    if (calls_->MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &character, 1, wide, 2) != 1) {
        return std::nullopt;
    }
    return static_cast<char32_t>(wide[0]);
}

Point Win32Injector::GetCursorPos() {
    POINT point{};
    if (!calls_->GetCursorPos(&point)) {
        return {};
    }
    return {point.x, point.y};
}

std::int32_t Win32Injector::GetSystemMetrics(std::int32_t index) {
    return calls_->GetSystemMetrics(index);
}

}  // namespace qm
