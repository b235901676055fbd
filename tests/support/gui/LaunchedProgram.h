#pragma once

// The built program under test, the way its user has it: a private X display with a
// notification area, a settings tree of its own whose COM7: is a pseudo-terminal (the switch
// device, written by the test), and the program copied into a folder of its own so that its
// log lands there. Shared by every end-to-end test and the latency benchmark.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/gui/PtyPair.h"
#include "support/gui/XEventRecorder.h"
#include "support/gui/XvfbFixture.h"

namespace qm::test {

std::vector<std::string> Lines(const std::string& text);
// User and system CPU time a process has used so far.
double CpuMilliseconds(pid_t pid);

// How the settings tree of a run differs from the one the settings tool makes.
struct LaunchOptions {
    bool connectOnStart = true;
    bool tracing = true;
    int movementDelay = 10;
    // Off unless asked for, so that a lost device stays lost and the user's own reconnect is seen.
    bool reconnect = false;
    int screenWidth = 1024;
    int screenHeight = 768;
    // Further numbers, each as "key name number".
    std::vector<std::string> values;
    // Added to the program's environment ("NAME=value"), e.g. to reach a Wayland compositor.
    std::vector<std::string> environment{};
};

class LaunchedProgram {
public:
    // Why end-to-end tests cannot run here (Xvfb, trayer or xdotool missing); empty when they can.
    static std::string Missing();

    // Display, settings tree and device; the notification area and the program come with Start.
    explicit LaunchedProgram(const LaunchOptions& options = {});
    ~LaunchedProgram();
    LaunchedProgram(const LaunchedProgram&) = delete;
    LaunchedProgram& operator=(const LaunchedProgram&) = delete;

    // Starts the program (again, after it ended), the first time with a notification area.
    void Start();
    // One more copy of the program, started as Start does; its output replaces the first's.
    std::unique_ptr<Process> StartCopy();
    Process& Program() { return *program_; }
    const std::string& Display() const { return xvfb_.Display(); }
    Looker& Desktop() { return looker_; }
    PtyPair& Line() { return *line_; }
    // The device plugged in again: a new pseudo-terminal behind the same path.
    void ReplaceLine();
    // The path the settings map COM7: to: a link to the pseudo-terminal.
    const std::string& DevicePath() const { return devicePath_; }
    const std::string& Hive() const { return hive_; }
    std::string Log() const;
    std::string Output() const;
    // Runs xdotool with these arguments on the display; its exit status.
    int Xdotool(const std::string& arguments) const;
    // The tray tip as the icon's window carries it ("" when there is no icon).
    std::string TrayTip();
    // Waits for the tray icon whose tip says the program is connected to COM7:.
    bool WaitConnected();

private:
    TempDir dir_;
    std::string hive_;
    std::string program_path_;
    std::string devicePath_;
    std::unique_ptr<PtyPair> line_;
    XvfbFixture xvfb_;
    Looker looker_;
    std::unique_ptr<Process> tray_;
    std::unique_ptr<Process> program_;
    std::vector<std::string> environment_;
};

}  // namespace qm::test

// Skips the calling test when the desktop it needs cannot be had here.
#define QM_SKIP_WITHOUT_DESKTOP()                                           \
    do {                                                                    \
        const std::string missing = ::qm::test::LaunchedProgram::Missing(); \
        if (!missing.empty()) {                                             \
            GTEST_SKIP() << missing << " (scripts/deps installs them)";     \
        }                                                                   \
    } while (false)
