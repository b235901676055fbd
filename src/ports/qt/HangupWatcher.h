#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace qm {

// Tells when the far end of a terminal device has gone (a pty whose master closed, a USB
// adapter pulled out). The kernel then reports end-of-file on every read, which some Qt
// versions take silently and poll again at once, so the port must be closed by its owner.
// The watcher looks at its own duplicate of the descriptor so it never displaces the
// port's own read notifier.
class HangupWatcher {
public:
    HangupWatcher(int descriptor, std::function<void()> onHangup);
    ~HangupWatcher();
    HangupWatcher(const HangupWatcher&) = delete;
    HangupWatcher& operator=(const HangupWatcher&) = delete;

    bool Watching() const { return notifier_ != nullptr; }
    // True when the descriptor's far end has gone.
    static bool HungUp(int descriptor);

private:
    void Check();

    int descriptor_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onHangup_;
};

}  // namespace qm
