#pragma once

namespace qm {

// Lets the events that are waiting on the UI thread run now, nested inside the caller.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void DoEvents() = 0;
};

}  // namespace qm
