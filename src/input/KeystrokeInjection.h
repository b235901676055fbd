#pragma once

#include <cstdint>

#include "diag/OSInfo.h"
#include "mouse/InputInjector.h"

namespace qm {

// Types one character of the ANSI code page into whatever has the keyboard focus: the layout's key for
// it, with Shift when the layout needs Shift and AltGr (right Alt) when it needs Ctrl and Alt
// together. Ctrl or Alt alone are never pressed.
class KeystrokeInjection {
public:
    // Every reference must outlive the object.
    KeystrokeInjection(InputInjector& injector, const clsOSInfo& osInfo);

    // plngKeyCode must lie from 0 to 255; anything else is an overflow and sends nothing.
    // A character the layout has no key for is typed as the character itself (newer input path
    // only); a control character without a key is not typed. True when the events were sent or
    // deliberately not, false after a trapped error.
    bool SendKeyCode(std::int32_t plngKeyCode);

private:
    InputInjector& injector_;
    const clsOSInfo& osInfo_;
};

}  // namespace qm
