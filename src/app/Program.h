#pragma once

#include <memory>

class QApplication;

namespace qm {

class SingleInstance;

// The running program: the platform's parts (settings store, ports, desktop input), the serial
// control, the movement timer and the pending-events call, the road of a character over them,
// the session that owns the connection, the tray icon, and the Properties window, built in that order and
// ended in the reverse, once the event loop has returned. Runs the load handler, shows the window and runs
// the event loop.
class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The process's exit status: 0 after an ordinary exit, or when another copy runs and was
    // asked to show its window; 1 when start-up failed.
    int Run(QApplication& app);

private:
    struct Parts;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<Parts> parts_;
};

}  // namespace qm
