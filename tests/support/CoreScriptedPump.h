#pragma once

#include <deque>
#include <functional>
#include <utility>

#include "loop/EventPump.h"

namespace qm::test {

// The pending-events call with a queue of events the test posts. DoEvents runs every posted
// event, in order, nested inside the caller, as the real call does; an event may post more or
// call DoEvents again. Counts the calls.
class ScriptedPump : public EventPump {
public:
    // Runs first at every call, as if an event had just arrived.
    std::function<void()> OnEachCall;

    void Post(std::function<void()> event) { events_.push_back(std::move(event)); }
    // Runs the event at the n-th DoEvents from now (1 = the next one).
    void PostAtCall(int n, std::function<void()> event) {
        scheduled_.push_back({calls_ + n, std::move(event)});
    }

    void DoEvents() override {
        ++calls_;
        if (OnEachCall) {
            OnEachCall();
        }
        for (auto it = scheduled_.begin(); it != scheduled_.end();) {
            if (it->first == calls_) {
                events_.push_back(std::move(it->second));
                it = scheduled_.erase(it);
            } else {
                ++it;
            }
        }
        while (!events_.empty()) {
            std::function<void()> event = std::move(events_.front());
            events_.pop_front();
            event();
        }
    }

    int Calls() const { return calls_; }
    bool Idle() const { return events_.empty() && scheduled_.empty(); }

private:
    std::deque<std::function<void()>> events_;
    std::deque<std::pair<int, std::function<void()>>> scheduled_;
    int calls_ = 0;
};

}  // namespace qm::test
