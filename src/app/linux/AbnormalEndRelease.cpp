#include "app/linux/AbnormalEndRelease.h"

#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <exception>
#include <iterator>

#include "desktop/Desktop.h"

namespace qm {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};
constexpr std::size_t kSignalCount = std::size(kFatalSignals);

// Read by the handlers, which take no argument; the exchange makes the release happen once
// (std::terminate's handler aborts, and the abort comes here again).
std::atomic<Desktop*> guarded{nullptr};
struct sigaction previousActions[kSignalCount];
std::terminate_handler previousTerminate = nullptr;

static_assert(std::atomic<Desktop*>::is_always_lock_free, "used inside signal handlers");

void LetGo() noexcept {
    if (Desktop* desktop = guarded.exchange(nullptr)) {
        desktop->ReleaseAllAtOnce();
    }
}

std::size_t IndexOf(int signal) {
    std::size_t index = 0;
    while (index + 1 < kSignalCount && kFatalSignals[index] != signal) {
        ++index;
    }
    return index;
}

extern "C" void OnFatalSignal(int signal, siginfo_t* info, void*) {
    LetGo();
    // The signal goes on where it would have gone: one another process or raise() sent is sent
    // again (it waits until this handler returns); a fault happens again when the instruction
    // that caused it runs again on return.
    struct sigaction previous = previousActions[IndexOf(signal)];
    if (previous.sa_handler == SIG_IGN) {
        previous.sa_handler = SIG_DFL;
    }
    ::sigaction(signal, &previous, nullptr);
    if (info == nullptr || info->si_code <= 0) {
        ::raise(signal);
    }
}

void OnTerminate() {
    LetGo();
    (previousTerminate != nullptr ? previousTerminate : std::abort)();
}

extern "C" void OnExit() {
    LetGo();
}

}  // namespace

AbnormalEndRelease::AbnormalEndRelease(Desktop& desktop) {
    guarded = &desktop;
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO;
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        ::sigaction(kFatalSignals[i], &action, &previousActions[i]);
    }
    previousTerminate = std::set_terminate(OnTerminate);
    // Registered once: exit() after the guard has gone finds nothing to let go of.
    static const bool registered = std::atexit(OnExit) == 0;
    static_cast<void>(registered);
}

AbnormalEndRelease::~AbnormalEndRelease() {
    guarded = nullptr;
    std::set_terminate(previousTerminate);
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        ::sigaction(kFatalSignals[i], &previousActions[i], nullptr);
    }
}

}  // namespace qm
