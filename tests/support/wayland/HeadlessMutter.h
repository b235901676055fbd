#pragma once

// GNOME's compositor headless on a virtual monitor, alone on a D-Bus session bus of its own,
// with wev as its one window to record what arrives. The test process is pointed at both
// (XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY) while the object lives. Shared by
// the remote-desktop backend tests, the end-to-end tests and the latency benchmark.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/gui/XvfbFixture.h"

namespace qm::test {

class HeadlessMutter {
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;

    // The programs this needs that are missing, with their packages; empty when all are here.
    static std::string Missing();

    // compositor false: the bus alone. Throws std::runtime_error when a part does not start.
    explicit HeadlessMutter(bool compositor = true);
    ~HeadlessMutter();
    HeadlessMutter(const HeadlessMutter&) = delete;
    HeadlessMutter& operator=(const HeadlessMutter&) = delete;

    // The session's variables, as "NAME=value".
    const std::vector<std::string>& Environment() const { return environment_; }
    // Another program in the session, its output in the folder's file of that name.
    std::unique_ptr<Process> Run(const std::vector<std::string>& arguments, const std::string& outputName);
    // The desktop portal of GNOME, its dialogs on the accessibility bus; throws
    // std::runtime_error when it does not start. PortalMissing says what it lacks.
    static std::string PortalMissing();
    void StartPortal();
    // Ends the compositor (and the window) and starts them again.
    void RestartCompositor();

    // What wev's window received, one line per event: "enter X Y", "motion X Y", "button CODE
    // STATE", "axis AXIS STEPS", "key KEYSYM STATE TEXT", "modifiers DEPRESSED" (a number).
    std::vector<std::string> Events() const;
    // The events since the last Clear, once done says they are all there or the time is up.
    std::vector<std::string> WaitForEvents(const std::function<bool(const std::vector<std::string>&)>& done,
                                           std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void Clear() { cleared_ = Events().size(); }
    // The text the key presses among these events typed.
    static std::string TypedText(const std::vector<std::string>& events);
    // The file wev writes, a line at a time.
    std::string WevLog() const { return dir_.File("wev.log"); }

private:
    void StartCompositor();
    bool WaitForName(const std::string& name);

    TempDir dir_;
    std::vector<std::string> environment_;
    std::vector<std::string> saved_;  // the test process's own values, given back at the end
    std::unique_ptr<Process> bus_;
    std::unique_ptr<Process> compositor_;
    std::unique_ptr<Process> window_;
    std::vector<std::unique_ptr<Process>> portal_;
    std::size_t cleared_ = 0;
};

}  // namespace qm::test
