#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "diag/Cp1252.h"

namespace qm {

// Desktop input in the shape the Windows input calls take, so that the movement, click and
// keystroke code is the same on every system and each backend maps the records to its own calls.

inline constexpr std::uint32_t INPUT_MOUSE = 0;
inline constexpr std::uint32_t INPUT_KEYBOARD = 1;

inline constexpr std::uint32_t MOUSEEVENTF_MOVE = 0x0001;
inline constexpr std::uint32_t MOUSEEVENTF_LEFTDOWN = 0x0002;
inline constexpr std::uint32_t MOUSEEVENTF_LEFTUP = 0x0004;
inline constexpr std::uint32_t MOUSEEVENTF_RIGHTDOWN = 0x0008;
inline constexpr std::uint32_t MOUSEEVENTF_RIGHTUP = 0x0010;
inline constexpr std::uint32_t MOUSEEVENTF_MIDDLEDOWN = 0x0020;
inline constexpr std::uint32_t MOUSEEVENTF_MIDDLEUP = 0x0040;
// The wheels: mouseData holds the signed distance in WHEEL_DELTA units, away from the user
// (up) or to the right positive.
inline constexpr std::uint32_t MOUSEEVENTF_WHEEL = 0x0800;
inline constexpr std::uint32_t MOUSEEVENTF_HWHEEL = 0x1000;
inline constexpr std::int32_t WHEEL_DELTA = 120;

// Tells the right-hand key of a pair from the left one (right Alt from left Alt).
inline constexpr std::uint32_t KEYEVENTF_EXTENDEDKEY = 0x0001;
inline constexpr std::uint32_t KEYEVENTF_KEYUP = 0x0002;
// The record's scan field carries a character rather than a key: used where the layout has
// no key for the character, so it is typed as itself instead of as a wrong key.
inline constexpr std::uint32_t KEYEVENTF_UNICODE = 0x0004;

inline constexpr std::uint16_t VK_SHIFT = 16;
// Right Alt: AltGr on the layouts that have one.
inline constexpr std::uint16_t VK_RMENU = 0xA5;

inline constexpr std::int32_t SM_CXSCREEN = 0;
inline constexpr std::int32_t SM_CYSCREEN = 1;

struct MouseInput {
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    std::uint32_t mouseData = 0;
    std::uint32_t dwFlags = 0;
};

struct KeyboardInput {
    std::uint16_t wVk = 0;
    std::uint16_t wScan = 0;
    std::uint32_t dwFlags = 0;
};

struct InputRecord {
    std::uint32_t type = INPUT_MOUSE;
    MouseInput mi{};
    KeyboardInput ki{};

    static InputRecord Mouse(std::uint32_t flags, std::int32_t dx = 0, std::int32_t dy = 0,
                             std::uint32_t data = 0) {
        InputRecord r;
        r.type = INPUT_MOUSE;
        r.mi.dx = dx;
        r.mi.dy = dy;
        r.mi.mouseData = data;
        r.mi.dwFlags = flags;
        return r;
    }
    static InputRecord Key(std::uint16_t vk, std::uint32_t flags, std::uint16_t scan = 0) {
        InputRecord r;
        r.type = INPUT_KEYBOARD;
        r.ki.wVk = vk;
        r.ki.wScan = scan;
        r.ki.dwFlags = flags;
        return r;
    }
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// The desktop input operations. No result of any of them is examined by the callers; a backend
// that cannot deliver an event drops it.
class InputInjector {
public:
    virtual ~InputInjector() = default;

    // All records of one call reach the desktop in order, before any later call's records.
    virtual void SendInput(std::span<const InputRecord> records) = 0;

    // The older calls, one event each. A system with a single input path sends one record.
    // data: the wheel's distance, as in a record's mouseData.
    virtual void mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy, std::uint32_t data = 0) {
        const InputRecord record = InputRecord::Mouse(flags, dx, dy, data);
        SendInput(std::span<const InputRecord>(&record, 1));
    }
    virtual void keybd_event(std::uint8_t vk, std::uint32_t flags) {
        const InputRecord record = InputRecord::Key(vk, flags);
        SendInput(std::span<const InputRecord>(&record, 1));
    }

    // Low byte: the key; bit 0x100: Shift must be held (0x200 Ctrl, 0x400 Alt; both, 0x600, are
    // AltGr). -1 (all bits set) when the layout has no key for the character. The character is
    // in the ANSI code page. A control character answers with the key that makes it without
    // Ctrl (Backspace for 8 and 127, Tab, Enter for 10 and 13, Escape) or -1: holding Ctrl is
    // never offered, and its key alone would type a letter.
    virtual std::int16_t VkKeyScanA(char character) = 0;

    // The key byte a keyboard record needs to press the Windows virtual key vk on this system;
    // 0 when the keyboard has no such key. Windows numbers its keys that way itself.
    virtual std::uint16_t KeyForVirtualKey(std::uint8_t vk) { return vk; }

    // The character a byte stands for in the system's ANSI code page, for a keyboard record
    // that types it as itself; nothing when the byte is no character on its own there (the lead
    // byte of a double-byte code page). Windows-1252 unless the system has its own.
    virtual std::optional<char32_t> AnsiToUnicode(char character) {
        return Cp1252ToUnicode(static_cast<unsigned char>(character));
    }

    // Lets go of every key and button this injector has pressed and not yet released, so that
    // nothing stays held on the desktop when the program stops. Nothing to do where the system
    // does it itself.
    virtual void ReleaseAll() {}

    // Between these, a backend that queues its requests on a connection (X) may keep what
    // SendInput gave it, to send it in one write with what follows; the order of the records is
    // kept. After the outermost end, the next SendInput sends what waits with its own records,
    // and Flush sends it at once. Nothing to do where each call reaches the desktop by itself.
    virtual void BeginBatch() {}
    virtual void EndBatch() {}
    virtual void Flush() {}

    virtual Point GetCursorPos() = 0;
    virtual std::int32_t GetSystemMetrics(std::int32_t index) = 0;
};

// A batch of the injector's input (none without an injector): what it held is sent at the
// latest when the object goes.
class InputBatch {
public:
    explicit InputBatch(InputInjector* injector) : injector_(injector) {
        if (injector_ != nullptr) {
            injector_->BeginBatch();
        }
    }
    ~InputBatch() {
        End();
        if (injector_ != nullptr) {
            injector_->Flush();
        }
    }
    InputBatch(const InputBatch&) = delete;
    InputBatch& operator=(const InputBatch&) = delete;

    // Holds no longer: the next call sends what waits with its own records.
    void End() {
        if (injector_ != nullptr && !ended_) {
            ended_ = true;
            injector_->EndBatch();
        }
    }

private:
    InputInjector* injector_;
    bool ended_ = false;
};

}  // namespace qm
