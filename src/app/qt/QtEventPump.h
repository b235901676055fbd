#pragma once

#include "loop/EventPump.h"

namespace qm {

// Lets the waiting events of the calling thread's Qt event loop run, nested in the caller.
class QtEventPump : public EventPump {
public:
    void DoEvents() override;
    // True while events run nested inside a DoEvents call, that is, in the middle of the road's work.
    bool Pumping() const { return depth_ > 0; }

private:
    int depth_ = 0;
};

}  // namespace qm
