#include "desktop/win32/Win32Desktop.h"

#include <algorithm>
#include <array>

#include "desktop/VirtualKeyNumbers.h"
#include "desktop/win32/Win32InputCalls.h"

namespace qm {
namespace {

// Windows tells these from the numeric keypad's keys of the same number (and right Ctrl and Alt
// from the left ones) by the extended flag.
bool Extended(Key key) {
    return Along(key, Key::PageUp, 11) >= 0 || Along(key, Key::LeftLogo, 3) >= 0 ||
           Along(key, Key::BrowserBack, 18) >= 0 || key == Key::NumDivide || key == Key::NumLock ||
           key == Key::RightCtrl || key == Key::RightAlt;
}

// C0, DEL and C1: typed as themselves they would reach programs as keys that type nothing.
bool IsControl(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

std::uint32_t ButtonFlag(Button button, bool press) {
    switch (button) {
        case Button::Left:
            return press ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        case Button::Middle:
            return press ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
        case Button::Right:
            break;
    }
    return press ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
}

}  // namespace

Win32InputCalls Win32InputCalls::System() {
    Win32InputCalls calls;
    calls.SendInput = [](UINT count, LPINPUT inputs, int size) { return ::SendInput(count, inputs, size); };
    calls.VkKeyScanA = [](CHAR character) { return ::VkKeyScanA(character); };
    calls.MultiByteToWideChar = [](UINT codePage, DWORD flags, LPCCH text, int length, LPWSTR wide,
                                   int wideLength) {
        return ::MultiByteToWideChar(codePage, flags, text, length, wide, wideLength);
    };
    calls.GetCursorPos = [](LPPOINT point) { return ::GetCursorPos(point); };
    calls.GetSystemMetrics = [](int index) { return ::GetSystemMetrics(index); };
    return calls;
}

Win32Desktop::Win32Desktop() : Win32Desktop(Win32InputCalls::System()) {}

Win32Desktop::Win32Desktop(const Win32InputCalls& calls) : calls_(std::make_unique<Win32InputCalls>(calls)) {}

Win32Desktop::~Win32Desktop() = default;

void Win32Desktop::Add(std::span<const Event> events) {
    pending_.insert(pending_.end(), events.begin(), events.end());
    if (batches_ == 0) {
        Send();
    }
}

void Win32Desktop::EndBatch() {
    if (batches_ > 0) {
        --batches_;
    }
    Send();
}

void Win32Desktop::Send() {
    if (pending_.empty()) {
        return;  // nothing to deliver, and the system would only refuse the call
    }
    // INPUT is a union, 40 bytes on 64-bit Windows; time and extra information stay 0.
    std::vector<INPUT> inputs(pending_.size());
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const Event& event = pending_[i];
        INPUT& input = inputs[i];
        if (event.keyboard) {
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = event.vk;
            input.ki.wScan = event.scan;
            input.ki.dwFlags = event.flags;
        } else {
            input.type = INPUT_MOUSE;
            input.mi.dx = event.dx;
            input.mi.dy = event.dy;
            input.mi.mouseData = event.data;
            input.mi.dwFlags = event.flags;
        }
    }
    pending_.clear();
    calls_->SendInput(static_cast<UINT>(inputs.size()), inputs.data(), static_cast<int>(sizeof(INPUT)));
}

void Win32Desktop::MoveBy(std::int32_t dx, std::int32_t dy) {
    Add({.dx = dx, .dy = dy, .flags = MOUSEEVENTF_MOVE});
}

void Win32Desktop::MoveTo(Point position) {
    // Absolute positions run from 0 to 65535 across the primary screen.
    const Size screen = ScreenSize();
    const auto scale = [](std::int32_t value, std::int32_t size) {
        const std::int64_t last = std::max<std::int64_t>(1, static_cast<std::int64_t>(size) - 1);
        return static_cast<std::int32_t>((static_cast<std::int64_t>(value) * 65535 + last / 2) / last);
    };
    Add({.dx = scale(position.x, screen.width),
         .dy = scale(position.y, screen.height),
         .flags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE});
}

void Win32Desktop::Press(Button button) {
    Add({.flags = ButtonFlag(button, true)});
}

void Win32Desktop::Release(Button button) {
    Add({.flags = ButtonFlag(button, false)});
}

void Win32Desktop::Turn(Wheel wheel) {
    // Away from the user (up) and to the right are positive.
    const bool positive = wheel == Wheel::Up || wheel == Wheel::Right;
    const bool vertical = wheel == Wheel::Up || wheel == Wheel::Down;
    Add({.data = static_cast<std::uint32_t>(positive ? WHEEL_DELTA : -WHEEL_DELTA),
         .flags = static_cast<std::uint32_t>(vertical ? MOUSEEVENTF_WHEEL : MOUSEEVENTF_HWHEEL)});
}

void Win32Desktop::Press(Key key) {
    SendKey(key, true);
}

void Win32Desktop::Release(Key key) {
    SendKey(key, false);
}

void Win32Desktop::SendKey(Key key, bool press) {
    if (IsShift(key)) {
        shiftsHeld_ += press ? 1 : -1;
    }
    const std::uint32_t extended = Extended(key) ? KEYEVENTF_EXTENDEDKEY : 0;
    Add({.keyboard = true,
         .vk = VirtualKeyNumber(key),
         .flags = press ? extended : extended | KEYEVENTF_KEYUP});
}

std::int16_t Win32Desktop::KeyScan(char character) {
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

Win32Desktop::Answer Win32Desktop::LookUp(char character) {
    Answer answer{character, KeyScan(character), std::nullopt};
    if (answer.key == -1) {
        WCHAR wide[2] = {};
        // One byte gives one UTF-16 unit in every ANSI code page, or none when it only begins a
        // double-byte character.
        if (calls_->MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &character, 1, wide, 2) == 1) {
            answer.unicode = static_cast<char32_t>(wide[0]);
        }
    }
    return answer;
}

Typing Win32Desktop::HowToType(char character) {
    answer_ = LookUp(character);
    if (answer_->key != -1) {
        return Typing::ByKey;
    }
    return answer_->unicode && !IsControl(*answer_->unicode) ? Typing::AsCharacter : Typing::Not;
}

void Win32Desktop::Type(char character) {
    const Answer answer = answer_ && answer_->character == character ? *answer_ : LookUp(character);
    answer_.reset();
    // A character's events are one call even outside a batch.
    std::array<Event, 6> events{};
    std::size_t count = 0;
    const auto key = [&](std::uint16_t virtualKey, std::uint32_t flags) {
        events[count++] = {.keyboard = true, .vk = virtualKey, .flags = flags};
    };
    if (answer.key == -1) {
        if (answer.unicode && !IsControl(*answer.unicode)) {
            const auto unit = static_cast<std::uint16_t>(*answer.unicode);
            events[count++] = {.keyboard = true, .scan = unit, .flags = KEYEVENTF_UNICODE};
            events[count++] = {.keyboard = true, .scan = unit, .flags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP};
        }
    } else {
        const auto bits = static_cast<std::uint16_t>(answer.key);
        const auto vk = static_cast<std::uint16_t>(bits & 0xFFu);
        // A Shift already held gives the character its Shift; its own would let go of it before
        // the key. Without AltGr the key would type another character, so AltGr goes around it.
        const bool shift = (bits & 0x100u) != 0 && shiftsHeld_ == 0;
        const bool altGr = (bits & 0x600u) == 0x600u;
        if (altGr) {
            key(VK_RMENU, KEYEVENTF_EXTENDEDKEY);
        }
        if (shift) {
            // Shift is released before the key: the key press has already produced the character.
            key(VK_SHIFT, 0);
            key(vk, 0);
            key(VK_SHIFT, KEYEVENTF_KEYUP);
        } else {
            key(vk, 0);
        }
        key(vk, KEYEVENTF_KEYUP);
        if (altGr) {
            key(VK_RMENU, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP);
        }
    }
    Add(std::span<const Event>(events.data(), count));
}

Point Win32Desktop::PointerPosition() {
    POINT point{};
    if (!calls_->GetCursorPos(&point)) {
        return {};
    }
    return {point.x, point.y};
}

Size Win32Desktop::ScreenSize() {
    return {calls_->GetSystemMetrics(SM_CXSCREEN), calls_->GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace qm
