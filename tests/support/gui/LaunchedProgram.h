#pragma once

// The built program under test, the way its user has it: a private X display with a
// notification area, a settings tree of its own whose COM7: is a pseudo-terminal (the switch
// device, written by the test), and the program copied into a folder of its own so that its
// log lands there. Shared by every end-to-end test and the latency benchmark.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"
#include "support/gui/PtyPair.h"
#include "support/gui/XvfbFixture.h"

struct _XDisplay;

namespace qm::test {

std::string FindOnPath(const std::string& program);
// Polls the condition every 25 ms until it holds or the time is up; its last answer.
bool Eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds(15));
std::vector<std::string> Lines(const std::string& text);
// User and system CPU time a process has used so far.
double CpuMilliseconds(pid_t pid);

// A child process with environment additions, ended (SIGTERM, then SIGKILL) with the object.
class Process {
public:
    // output: a file that takes the child's standard output and error ("" keeps the test's).
    Process(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            const std::string& folder = {}, const std::string& output = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running();
    // The exit status once the child has ended within the time (128 + signal when killed).
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

private:
    void Reap();
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A plain X client that looks at the display: windows by name, the pointer, and what is held.
class Looker {
public:
    explicit Looker(const std::string& display);
    ~Looker();
    Looker(const Looker&) = delete;
    Looker& operator=(const Looker&) = delete;

    bool TrayManagerPresent();
    // The first window whose name begins with prefix, with its name.
    std::optional<std::pair<unsigned long, std::string>> FindNamed(const std::string& prefix);
    // The window on screen with this very name; 0 when there is none.
    unsigned long FindShown(const std::string& name);
    // Waits for it (15 s); 0 when it did not come.
    unsigned long WaitShown(const std::string& name);
    bool Viewable(unsigned long window);
    // A point of a window (its top left corner by default) in root coordinates.
    std::pair<int, int> ToRoot(unsigned long window, int x = 0, int y = 0);
    std::pair<int, int> Centre(unsigned long window);
    std::pair<int, int> Pointer();
    // Buttons and keys held down on the display now, as the server sees them.
    unsigned ButtonsDown();
    int KeysDown();
    // Asks a top-level window to close, as a window manager's close button does.
    void Close(unsigned long window);

private:
    std::pair<std::pair<int, int>, unsigned> QueryPointer();
    std::string NameOf(unsigned long window);
    std::optional<std::pair<unsigned long, std::string>> Search(
        unsigned long window, const std::function<bool(unsigned long, const std::string&)>& wanted);
    _XDisplay* display_;
};

// How the settings tree of a run differs from the one the settings tool makes.
struct LaunchOptions {
    bool connectOnStart = true;
    bool tracing = true;
    int movementDelay = 10;
    // Off unless asked for, so that a lost device stays lost and the user's own reconnect is seen.
    bool reconnect = false;
    int screenWidth = 1024;
    int screenHeight = 768;
    // Further values: key, name, REG_ type, data as the settings tool reads it.
    std::vector<std::tuple<std::string, std::string, unsigned, std::string>> values;
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
    // The path the settings map COM7: to: a link to the pseudo-terminal of the moment.
    const std::string& DevicePath() const { return devicePath_; }
    // A new pseudo-terminal behind the same device path, as when the device is plugged in again.
    void ReplaceLine();
    TempDir& Folder() { return dir_; }
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
