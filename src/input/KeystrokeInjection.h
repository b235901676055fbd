#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "desktop/InputInjector.h"
#include "diag/OSInfo.h"
#include "input/StickyModifiers.h"

namespace qm {

// Types one character of the ANSI code page into whatever has the keyboard focus: the layout's key for
// it, with Shift when the layout needs Shift and AltGr (right Alt) when it needs Ctrl and Alt
// together. Ctrl or Alt alone are never pressed for a character; the device holds them, and
// Shift and the logo key, through the sticky modifiers, which go around every key it sends.
class KeystrokeInjection {
public:
    // Every reference must outlive the object.
    KeystrokeInjection(InputInjector& injector, const clsOSInfo& osInfo);

    // plngKeyCode must lie from 0 to 255; anything else is an overflow and sends nothing.
    // A character the layout has no key for is typed as the character itself (newer input path
    // only); a control character without a key is not typed. True when the events were sent or
    // deliberately not, false after a trapped error.
    bool SendKeyCode(std::int32_t plngKeyCode);

    // Presses and releases a Windows virtual key (extended where Windows marks it so); the keys
    // of Shift, Ctrl, Alt and the logo key latch, lock and let go of their modifier instead. A
    // key the keyboard lacks is not sent. True unless an error was trapped.
    bool SendVirtualKey(std::uint8_t vk);

    // Lets go of every locked modifier and forgets the latched ones (the port has gone, or the
    // program ends).
    void ReleaseModifiers();
    const StickyModifiers& Modifiers() const { return modifiers_; }

private:
    // On the system's input path: one call, or one older call per record.
    void Send(std::span<const InputRecord> records);
    // A key's records with the latched modifiers around them; the latches are used up. The
    // records stay good until the next call.
    std::span<const InputRecord> WithModifiers(std::span<const InputRecord> key);

    InputInjector& injector_;
    const clsOSInfo& osInfo_;
    StickyModifiers modifiers_;
    std::vector<InputRecord> withModifiers_;
    std::vector<InputRecord> releases_;
};

}  // namespace qm
