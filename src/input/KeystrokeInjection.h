#pragma once

#include <cstdint>

#include "desktop/Desktop.h"
#include "input/StickyModifiers.h"

namespace qm {

// Types one character of the ANSI code page into whatever has the keyboard focus, as the desktop
// types it: the layout's key, with Shift or AltGr where the layout needs them, or the character
// itself where no key makes it. Ctrl or Alt alone are never pressed for a character; the device
// holds them, and Shift and the logo key, through the sticky modifiers, which go around every
// key it sends.
class KeystrokeInjection {
public:
    // The desktop must outlive the object.
    explicit KeystrokeInjection(Desktop& desktop);

    // keyCode must lie from 0 to 255; anything else is an overflow and sends nothing.
    // A control character without a key is not typed. True when the events were sent or
    // deliberately not, false after a trapped error.
    bool SendKeyCode(std::int32_t keyCode);

    // Presses and releases the key a Windows virtual key stands for; the keys of Shift, Ctrl,
    // Alt and the logo key latch, lock and let go of their modifier instead. A virtual key the
    // program does not know, or a key the keyboard lacks, is not sent. True unless an error was
    // trapped.
    bool SendVirtualKey(std::uint8_t vk);

    // Lets go of every locked modifier and forgets the latched ones (the port has gone, or the
    // program ends).
    void ReleaseModifiers();
    const StickyModifiers& Modifiers() const { return modifiers_; }

private:
    Desktop& desktop_;
    StickyModifiers modifiers_;
};

}  // namespace qm
