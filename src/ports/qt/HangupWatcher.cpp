#include "ports/qt/HangupWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qm {

HangupWatcher::HangupWatcher(int descriptor, std::function<void()> onHangup)
    : onHangup_(std::move(onHangup)) {
    if (descriptor < 0) {
        return;
    }
    descriptor_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (descriptor_ < 0) {
        return;
    }
    // Not a read notifier: that one would wake for every byte the port reads as well, and each
    // byte from the switch would pay for a second dispatch and a poll() here. A hang-up reports
    // POLLHUP with POLLERR, which Qt gives to an exception notifier under either event loop;
    // a terminal has no urgent data, so nothing else wakes it.
    notifier_ = std::make_unique<QSocketNotifier>(descriptor_, QSocketNotifier::Exception);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Check(); });
}

HangupWatcher::~HangupWatcher() {
    notifier_.reset();
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

bool HangupWatcher::HungUp(int descriptor) {
    pollfd fd{descriptor, POLLIN, 0};
    return descriptor >= 0 && ::poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP) != 0;
}

void HangupWatcher::Check() {
    if (!HungUp(descriptor_)) {
        return;
    }
    // Report once; the owner closes the port, and a hung-up descriptor stays readable.
    notifier_->setEnabled(false);
    if (onHangup_) {
        onHangup_();
    }
}

}  // namespace qm
