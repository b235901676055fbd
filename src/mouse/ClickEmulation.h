#pragma once

#include <cstdint>

#include "diag/OSInfo.h"
#include "loop/EventPump.h"
#include "mouse/InputInjector.h"

namespace qm {

// Left and right, single and double clicks at the pointer's present position. Never moves the
// pointer and never touches the movement.
class ClickEmulation {
public:
    // Every reference must outlive the object.
    ClickEmulation(InputInjector& injector, const clsOSInfo& osInfo, EventPump& pump);

    // pintButton: 1 left, 2 right; any other value is rejected with "Unrecognised mouse button" and
    // nothing is sent. pintDoubleClick: 1 double, anything else single. On the newer input path all
    // events of one click go out in one call. False after a trapped error.
    bool CLickMouse(std::int32_t button, std::int32_t doubleClick);

private:
    InputInjector& injector_;
    const clsOSInfo& osInfo_;
    EventPump& pump_;
};

}  // namespace qm
