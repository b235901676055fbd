#pragma once

#include <chrono>
#include <functional>

namespace qm::test {

// Runs the Qt event loop until the condition holds or the timeout passes; returns the
// condition's last answer. For waiting on things that happen, never for timing them.
bool QtWaitUntil(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs the Qt event loop for a while, to see what happens when nothing should.
void QtRunFor(std::chrono::milliseconds period);

}  // namespace qm::test
