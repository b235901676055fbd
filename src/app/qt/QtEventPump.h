#pragma once

#include "mouse/EventPump.h"

namespace qm {

// Lets the waiting events of the calling thread's Qt event loop run, nested in the caller.
class QtEventPump : public EventPump {
public:
    void DoEvents() override;
};

}  // namespace qm
