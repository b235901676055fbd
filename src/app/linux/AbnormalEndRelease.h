#pragma once

#include "app/Platform.h"

namespace qm {

class Desktop;

// While it lives, an end of the process that skips the unload lets go of the desktop's held
// input first (Desktop::ReleaseAllAtOnce), then ends the way it would have:
// - a fatal signal (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL) goes on to the handler it had
//   before, the default one (a core dump) or a sanitizer's;
// - std::terminate goes on to the handler it had before;
// - exit() called while the program runs: Qt calls it when its X connection breaks (a window
//   manager's force-quit kills that connection), from its event processing or from Xlib's I/O
//   error handler, and never comes back to the event loop.
// SIGKILL cannot be caught: the next start lets go of what a killed copy held.
// One at a time.
class AbnormalEndRelease final : public HeldInputGuard {
public:
    explicit AbnormalEndRelease(Desktop& desktop);
    ~AbnormalEndRelease() override;
    AbnormalEndRelease(const AbnormalEndRelease&) = delete;
    AbnormalEndRelease& operator=(const AbnormalEndRelease&) = delete;
};

}  // namespace qm
