// End-to-end measurements of the built program on this machine: the time from a byte written
// to the serial line (a pseudo-terminal) to the event a second X client sees, movement timing,
// and what the program costs while idle and while moving. A private Xvfb with a notification
// area (trayer), a temporary settings tree and the program copied into a temporary folder (its
// log lands there). Figures only: nothing here passes or fails on a timing.
//
// Usage: qm_bench_latency BIN_DIR [--samples N] [--baseline-samples N]
//   BIN_DIR holds quillmotion and quillmotion-settings.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr int kScreenWidth = 4096;  // wide, so that a long eastward run never meets the edge
constexpr int kScreenHeight = 1024;

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

std::string OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// A child process, ended (SIGTERM, then SIGKILL) and reaped with the object.
class Child {
public:
    Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
          const std::string& folder = {}, const std::string& output = "/dev/null", int keepFd = -1) {
        pid_ = ::fork();
        if (pid_ < 0) {
            throw std::runtime_error("fork failed");
        }
        if (pid_ == 0) {
            const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            if (keepFd >= 0) {
                ::fcntl(keepFd, F_SETFD, 0);
            }
            for (const std::string& setting : environment) {
                const std::size_t eq = setting.find('=');
                ::setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
            }
            if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
                ::_exit(126);
            }
            std::vector<char*> argv;
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~Child() { Stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running() {
        if (pid_ <= 0 || ended_) {
            return false;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            ended_ = true;
        }
        return !ended_;
    }
    void Stop() {
        for (const int signal : {SIGTERM, SIGKILL}) {
            if (!Running()) {
                return;
            }
            ::kill(pid_, signal);
            const auto until = Clock::now() + 5s;
            while (Running() && Clock::now() < until) {
                std::this_thread::sleep_for(10ms);
            }
        }
    }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
};

// The far end of a serial line; the program opens DevicePath().
class Pty {
public:
    Pty() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
        termios settings{};
        if (::tcgetattr(slave_, &settings) == 0) {
            ::cfmakeraw(&settings);
            ::tcsetattr(slave_, TCSANOW, &settings);
        }
        path_ = name;
    }
    ~Pty() {
        ::close(master_);
        ::close(slave_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& DevicePath() const { return path_; }
    void Write(unsigned char byte) {
        while (::write(master_, &byte, 1) != 1) {
            if (errno != EINTR && errno != EAGAIN) {
                throw std::runtime_error("write to the pseudo-terminal failed");
            }
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// Xvfb on a display number of its own choosing.
class Xvfb {
public:
    Xvfb() {
        const std::string program = OnPath("Xvfb");
        if (program.empty()) {
            throw std::runtime_error("Xvfb is not installed (scripts/deps installs it)");
        }
        int fds[2];
        if (::pipe(fds) != 0) {
            throw std::runtime_error("pipe failed");
        }
        child_ = std::make_unique<Child>(
            std::vector<std::string>{
                program, "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp", "-screen", "0",
                std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24"},
            std::vector<std::string>{}, std::string{}, "/dev/null", fds[1]);
        ::close(fds[1]);
        std::string number;
        char c = 0;
        pollfd pipe{fds[0], POLLIN, 0};
        while (::poll(&pipe, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(fds[0]);
        if (number.empty()) {
            throw std::runtime_error("Xvfb did not start");
        }
        display_ = ":" + number;
    }
    const std::string& Display() const { return display_; }

private:
    std::unique_ptr<Child> child_;
    std::string display_;
};

// The second X client: a full-screen window with the keyboard focus that sees keys, buttons
// and pointer motion as an application does.
class Desktop {
public:
    explicit Desktop(const std::string& name) : display_(XOpenDisplay(name.c_str())) {
        if (display_ == nullptr) {
            throw std::runtime_error("cannot open " + name);
        }
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                                PointerMotionMask | StructureNotifyMask;
        window_ = XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, kScreenWidth, kScreenHeight, 0,
                                CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask,
                                &attributes);
        XMapRaised(display_, window_);
        XEvent event;
        do {
            XWindowEvent(display_, window_, StructureNotifyMask, &event);
        } while (event.type != MapNotify);
        Focus();
    }
    ~Desktop() { XCloseDisplay(display_); }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    void Focus() {
        XRaiseWindow(display_, window_);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
    }
    void Warp(int x, int y) {
        XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
        XSync(display_, False);
    }
    // Throws away everything that has arrived.
    void Drain() {
        XSync(display_, False);
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
        }
    }
    // The first event that matches, with the time it was taken off the connection.
    std::optional<std::pair<XEvent, Clock::time_point>> Wait(const std::function<bool(const XEvent&)>& match,
                                                             Clock::duration timeout = 10s) {
        const auto deadline = Clock::now() + timeout;
        while (true) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                const auto seen = Clock::now();
                if (match(event)) {
                    return std::make_pair(event, seen);
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&connection, 1, static_cast<int>(left.count()) + 1);
        }
    }

private:
    Display* display_;
    Window window_ = 0;
};

bool Is(const XEvent& event, int type) {
    return event.type == type;
}

// A plain X client that looks for the tray icon by its name (the tip).
class Looker {
public:
    explicit Looker(const std::string& name) : display_(XOpenDisplay(name.c_str())) {
        if (display_ == nullptr) {
            throw std::runtime_error("cannot open " + name);
        }
    }
    ~Looker() { XCloseDisplay(display_); }
    Looker(const Looker&) = delete;
    Looker& operator=(const Looker&) = delete;

    bool TrayManagerPresent() {
        return XGetSelectionOwner(display_, XInternAtom(display_, "_NET_SYSTEM_TRAY_S0", False)) != None;
    }
    bool Named(const std::string& prefix) { return Search(DefaultRootWindow(display_), prefix); }

private:
    std::string NameOf(Window window) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::string name;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0, 4096, False,
                               XInternAtom(display_, "UTF8_STRING", False), &type, &format, &count, &after,
                               &data) == Success &&
            data != nullptr) {
            name.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        return name;
    }
    bool Search(Window window, const std::string& prefix) {
        if (NameOf(window).rfind(prefix, 0) == 0) {
            return true;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) {
            return false;
        }
        bool found = false;
        for (unsigned i = 0; i < count && !found; ++i) {
            found = Search(children[i], prefix);
        }
        if (children != nullptr) {
            XFree(children);
        }
        return found;
    }

    Display* display_;
};

bool WaitUntil(const std::function<bool()>& condition, Clock::duration timeout, Clock::duration step = 25ms) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(step);
    }
    return true;
}

// CPU time (all threads), voluntary and involuntary context switches (all threads), resident set.
struct Usage {
    double cpuMs = 0;
    long voluntary = 0;
    long involuntary = 0;
    long rssKb = 0;
};

Usage UsageOf(pid_t pid) {
    Usage usage;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name (which may hold spaces), from field 3 on.
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::vector<std::string> fields((std::istream_iterator<std::string>(rest)),
                                    std::istream_iterator<std::string>());
    if (fields.size() > 12) {
        const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
        usage.cpuMs = (std::stod(fields[11]) + std::stod(fields[12])) * 1000.0 / tick;  // utime, stime
    }
    const auto field = [](const fs::path& file, const std::string& name) {
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind(name + ":", 0) == 0) {
                return std::stol(line.substr(name.size() + 1));
            }
        }
        return 0L;
    };
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        usage.voluntary += field(task.path() / "status", "voluntary_ctxt_switches");
        usage.involuntary += field(task.path() / "status", "nonvoluntary_ctxt_switches");
    }
    usage.rssKb = field("/proc/" + std::to_string(pid) + "/status", "VmRSS");
    return usage;
}

struct Stats {
    double median = 0;
    double p99 = 0;
    double max = 0;
    std::size_t count = 0;
};

Stats Summarise(std::vector<double> values) {
    Stats stats;
    if (values.empty()) {
        return stats;
    }
    std::sort(values.begin(), values.end());
    stats.count = values.size();
    stats.median = values[values.size() / 2];
    stats.p99 = values[static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(values.size()))) - 1];
    stats.max = values.back();
    return stats;
}

void PrintLatency(const std::string& label, const Stats& stats, std::size_t lost) {
    std::printf("  %-44s median %8.0f us   p99 %8.0f us   max %8.0f us   (%zu samples%s)\n", label.c_str(),
                stats.median, stats.p99, stats.max, stats.count,
                lost > 0 ? (", " + std::to_string(lost) + " lost").c_str() : "");
}

std::string RunCapture(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    ::pclose(pipe);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    return output;
}

// The built program's settings tool over one hive file.
class Settings {
public:
    Settings(fs::path tool, fs::path hive) : tool_(std::move(tool)), hive_(std::move(hive)) {}
    void Run(const std::string& arguments) {
        const std::string command =
            "QUILLMOTION_HIVE='" + hive_.string() + "' '" + tool_.string() + "' " + arguments + " >/dev/null";
        if (std::system(command.c_str()) != 0) {
            throw std::runtime_error("settings tool failed: " + arguments);
        }
    }
    int Get(const std::string& key, const std::string& name) {
        return std::stoi(RunCapture("QUILLMOTION_HIVE='" + hive_.string() + "' '" + tool_.string() +
                                    "' get '" + key + "' " + name));
    }

private:
    fs::path tool_;
    fs::path hive_;
};

struct Codes {
    unsigned char east = 0;
    unsigned char stop = 0;
    unsigned char click = 0;
};

// One run of the program: its own folder, hive, line and log.
class Program {
public:
    Program(const fs::path& binDir, const fs::path& work, const std::string& display, bool tracing,
            int movementDelay) {
        static int runs = 0;
        folder_ = work / ("run-" + std::to_string(++runs));
        fs::create_directories(folder_ / "config");
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::replace);
        fs::copy_file(binDir / "quillmotion", folder_ / "quillmotion");
        const fs::path hive = folder_ / "HKEY_LOCAL_MACHINE.reg";
        Settings settings(binDir / "quillmotion-settings", hive);
        settings.Run("init");
        settings.Run("map COM7: " + line_.DevicePath());
        settings.Run("set '' ConnectOnApplicationStartup REG_DWORD 1");
        settings.Run("set '' TracingEnabled REG_DWORD " + std::to_string(tracing ? 1 : 0));
        settings.Run("set 'Ports\\LastPort' PortName REG_SZ COM7:");
        settings.Run("set 'Mouse\\Movement' MovementDelay REG_DWORD " + std::to_string(movementDelay));
        codes_.east = static_cast<unsigned char>(settings.Get("Mouse\\Movement", "E_ASCII"));
        codes_.stop = static_cast<unsigned char>(settings.Get("Mouse\\Movement", "STOP_ASCII"));
        codes_.click = static_cast<unsigned char>(settings.Get("Mouse\\Buttons", "LEFT_SCLICK_ASCII"));

        Looker looker(display);
        started_ = Clock::now();
        child_ = std::make_unique<Child>(
            std::vector<std::string>{(folder_ / "quillmotion").string()},
            std::vector<std::string>{
                "DISPLAY=" + display, "QUILLMOTION_HIVE=" + hive.string(), "QT_QPA_PLATFORM=xcb",
                "XDG_CONFIG_HOME=" + (folder_ / "config").string(), "XDG_RUNTIME_DIR=" + folder_.string()},
            folder_.string(), (folder_ / "output.txt").string());
        if (!WaitUntil([&] { return looker.Named("Quillmotion Enabled\nConnected to COM7:"); }, 30s, 2ms)) {
            throw std::runtime_error("the program did not connect; see " + (folder_ / "output.txt").string());
        }
        toConnected_ = Clock::now() - started_;
    }
    ~Program() {
        const pid_t pid = child_->Pid();
        child_->Stop();
        // Ended by a signal, the program leaves its port's lock file: remove it when it is this run's.
        std::string name = line_.DevicePath().substr(5);
        std::replace(name.begin(), name.end(), '/', '_');
        for (const char* dir : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"}) {
            const fs::path lock = fs::path(dir) / ("LCK.." + name);
            std::ifstream in(lock);
            long owner = 0;
            if (in >> owner && owner == pid) {
                std::error_code error;
                fs::remove(lock, error);
            }
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t Pid() const { return child_->Pid(); }
    Pty& Line() { return line_; }
    const Codes& Code() const { return codes_; }
    Clock::duration ToConnected() const { return toConnected_; }
    const fs::path& Folder() const { return folder_; }

private:
    fs::path folder_;
    Pty line_;
    Codes codes_;
    std::unique_ptr<Child> child_;
    Clock::time_point started_;
    Clock::duration toConnected_{};
};

struct LatencyRun {
    std::vector<double> key;
    std::vector<double> click;
    std::vector<double> move;
    std::size_t lostKey = 0;
    std::size_t lostClick = 0;
    std::size_t lostMove = 0;
};

LatencyRun MeasureLatency(Pty& line, const Codes& codes, Desktop& desktop, int samples) {
    LatencyRun run;
    desktop.Warp(kScreenWidth / 2, kScreenHeight / 2);
    desktop.Drain();
    for (int i = 0; i < samples; ++i) {
        const auto written = Clock::now();
        line.Write('a');
        const auto press = desktop.Wait([](const XEvent& e) { return Is(e, KeyPress); }, 2s);
        if (!press) {
            ++run.lostKey;
            continue;
        }
        run.key.push_back(Micros(press->second - written));
        desktop.Wait([](const XEvent& e) { return Is(e, KeyRelease); }, 2s);
    }
    for (int i = 0; i < samples; ++i) {
        const auto written = Clock::now();
        line.Write(codes.click);
        const auto press = desktop.Wait([](const XEvent& e) { return Is(e, ButtonPress); }, 2s);
        if (!press) {
            ++run.lostClick;
            continue;
        }
        run.click.push_back(Micros(press->second - written));
        desktop.Wait([](const XEvent& e) { return Is(e, ButtonRelease); }, 2s);
    }
    for (int i = 0; i < samples; ++i) {
        desktop.Warp(kScreenWidth / 2, kScreenHeight / 2);
        desktop.Drain();
        const auto written = Clock::now();
        line.Write(codes.east);
        const auto motion = desktop.Wait([](const XEvent& e) { return Is(e, MotionNotify); }, 2s);
        if (!motion) {
            ++run.lostMove;
        } else {
            run.move.push_back(Micros(motion->second - written));
        }
        // The line is read in order: once the key after Stop is seen, the movement has ended.
        line.Write(codes.stop);
        line.Write('z');
        desktop.Wait([](const XEvent& e) { return Is(e, KeyRelease); }, 2s);
    }
    return run;
}

// The same three measurements through a shell bridge that starts xdotool for every byte: a
// movement code moves the pointer one step, the click code clicks, Stop does nothing, anything
// else is typed.
void MeasureBaseline(const std::string& display, const Codes& codes, Desktop& desktop, int samples) {
    const std::string xdotool = OnPath("xdotool");
    if (xdotool.empty()) {
        std::printf("  xdotool is not installed: no baseline\n");
        return;
    }
    Pty line;
    const auto code = [](unsigned char c) {
        return "$'\\x" + (std::ostringstream() << std::hex << int{c}).str() + "'";
    };
    const std::string script = "east=" + code(codes.east) + "; click=" + code(codes.click) +
                               "; stop=" + code(codes.stop) +
                               "\nwhile IFS= read -r -n1 c; do case \"$c\" in"
                               " \"$east\") xdotool mousemove_relative -- 2 0;;"
                               " \"$click\") xdotool click 1;;"
                               " \"$stop\") ;;"
                               " *) xdotool type -- \"$c\";; esac; done < '" +
                               line.DevicePath() + "'";
    Child bridge({"/bin/bash", "-c", script}, {"DISPLAY=" + display});
    std::this_thread::sleep_for(300ms);
    desktop.Focus();
    desktop.Drain();
    const LatencyRun run = MeasureLatency(line, codes, desktop, samples);
    PrintLatency("keystroke (xdotool type)", Summarise(run.key), run.lostKey);
    PrintLatency("click (xdotool click 1)", Summarise(run.click), run.lostClick);
    PrintLatency("movement start (xdotool mousemove_relative)", Summarise(run.move), run.lostMove);
}

struct MovementRun {
    int delay = 0;
    double stepsPerSecond = 0;
    double p99DeviationMs = 0;
    double medianIntervalMs = 0;
    std::size_t steps = 0;
    double cpuPercent = 0;
    double wakeupsPerSecond = 0;
    double involuntaryPerSecond = 0;
};

MovementRun MeasureMovement(const fs::path& binDir, const fs::path& work, const std::string& display,
                            Desktop& desktop, int delay) {
    MovementRun run;
    run.delay = delay;
    Program program(binDir, work, display, false, delay);
    desktop.Focus();
    desktop.Warp(10, kScreenHeight / 2);
    std::this_thread::sleep_for(300ms);
    desktop.Drain();
    const Clock::duration period = std::max<Clock::duration>(2s, std::chrono::milliseconds(60 * delay));

    const Usage before = UsageOf(program.Pid());
    const auto start = Clock::now();
    program.Line().Write(program.Code().east);
    std::vector<Clock::time_point> seen;
    while (Clock::now() - start < period) {
        const auto motion = desktop.Wait([](const XEvent& e) { return Is(e, MotionNotify); }, 200ms);
        if (motion) {
            seen.push_back(motion->second);
        }
    }
    const Usage after = UsageOf(program.Pid());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    program.Line().Write(program.Code().stop);

    run.cpuPercent = (after.cpuMs - before.cpuMs) / (seconds * 1000.0) * 100.0;
    run.wakeupsPerSecond = static_cast<double>(after.voluntary - before.voluntary) / seconds;
    run.involuntaryPerSecond = static_cast<double>(after.involuntary - before.involuntary) / seconds;
    run.steps = seen.size();
    if (seen.size() >= 3) {
        // From the first step on: the first one's delay is the start latency, measured elsewhere.
        run.stepsPerSecond = static_cast<double>(seen.size() - 1) /
                             std::chrono::duration<double>(seen.back() - seen.front()).count();
        std::vector<double> intervals;
        std::vector<double> deviations;
        for (std::size_t i = 1; i < seen.size(); ++i) {
            const double ms = std::chrono::duration<double, std::milli>(seen[i] - seen[i - 1]).count();
            intervals.push_back(ms);
            deviations.push_back(std::fabs(ms - delay));
        }
        run.medianIntervalMs = Summarise(intervals).median;
        run.p99DeviationMs = Summarise(deviations).p99;
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BIN_DIR [--samples N] [--baseline-samples N]\n", argv[0]);
        return 2;
    }
    const fs::path binDir = fs::absolute(argv[1]);
    int samples = 2000;
    int baselineSamples = 200;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--samples") == 0) {
            samples = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--baseline-samples") == 0) {
            baselineSamples = std::atoi(argv[i + 1]);
        }
    }
    for (const char* needed : {"quillmotion", "quillmotion-settings"}) {
        if (!fs::exists(binDir / needed)) {
            std::fprintf(stderr, "%s is not in %s\n", needed, binDir.c_str());
            return 2;
        }
    }
    const std::string trayer = OnPath("trayer");
    if (trayer.empty()) {
        std::fprintf(stderr, "trayer is not installed (scripts/deps installs it)\n");
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);

    char pattern[] = "/tmp/quillmotion-latency.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work = pattern;
    int result = 0;
    try {
        Xvfb xvfb;
        const std::string display = xvfb.Display();
        Looker looker(display);
        Child tray({trayer, "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                    "--SetDockType", "true", "--transparent", "false"},
                   {"DISPLAY=" + display});
        if (!WaitUntil([&] { return looker.TrayManagerPresent(); }, 10s)) {
            throw std::runtime_error("trayer gave the display no notification area");
        }
        Desktop desktop(display);
        Codes codes;

        std::printf(
            "\n== End-to-end latency (Xvfb %dx%d, trayer, the program copied to a temporary folder)\n",
            kScreenWidth, kScreenHeight);
        std::printf(
            "   From write() of one byte on the far end of a pseudo-terminal mapped to COM7: to the\n"
            "   event taken off the connection by a second X client (a full-screen window with the\n"
            "   focus, blocked in poll() on the X connection). One byte at a time: each sample waits\n"
            "   for its event (and the release) before the next byte. Movement: East at MovementDelay\n"
            "   2 ms (the default) to the first MotionNotify; then Stop and a key to know it ended.\n");
        for (const bool tracing : {false, true}) {
            Program program(binDir, work, display, tracing, 2);
            desktop.Focus();
            if (!tracing) {
                std::this_thread::sleep_for(1s);
                const Usage startup = UsageOf(program.Pid());
                std::this_thread::sleep_for(5s);
                const Usage idle = UsageOf(program.Pid());
                std::printf(
                    "\n== Start-up and idle cost (tracing off, connected to COM7:, nothing on the line)\n");
                std::printf(
                    "  start to tray icon with \"Connected to COM7:\" tip  %8.0f ms   (fork() to the icon's "
                    "_NET_WM_NAME seen, polled every 2 ms)\n",
                    std::chrono::duration<double, std::milli>(program.ToConnected()).count());
                std::printf(
                    "  resident memory 1 s after connecting          %8ld KB   (VmRSS, /proc/PID/status)\n",
                    startup.rssKb);
                std::printf(
                    "  CPU while idle                              %8.2f %%    (utime+stime, /proc/PID/stat, "
                    "over 5 s; %.0f ms used)\n",
                    (idle.cpuMs - startup.cpuMs) / 50.0, idle.cpuMs - startup.cpuMs);
                std::printf(
                    "  wake-ups while idle                         %8.1f /s   (voluntary_ctxt_switches, all "
                    "threads, over 5 s; involuntary %.1f /s)\n",
                    static_cast<double>(idle.voluntary - startup.voluntary) / 5.0,
                    static_cast<double>(idle.involuntary - startup.involuntary) / 5.0);
                std::printf("\n== Latency, tracing off\n");
            } else {
                std::printf("\n== Latency, tracing on (log.txt written beside the program)\n");
            }
            codes = program.Code();
            const LatencyRun run = MeasureLatency(program.Line(), codes, desktop, samples);
            PrintLatency("keystroke ('a' to KeyPress)", Summarise(run.key), run.lostKey);
            PrintLatency("click (left single click code to ButtonPress)", Summarise(run.click),
                         run.lostClick);
            PrintLatency("movement start (East to first MotionNotify)", Summarise(run.move), run.lostMove);
        }

        std::printf(
            "\n== Baseline in the same run: bash reading the line a byte at a time, xdotool per byte\n");
        std::printf(
            "   `while IFS= read -r -n1 c; do case \"$c\" in <East>) xdotool mousemove_relative -- 2 0;;\n"
            "   <click>) xdotool click 1;; <Stop>) ;; *) xdotool type -- \"$c\";; esac; done < /dev/pts/N`,\n"
            "   measured the same way with %d samples each (each byte starts a process).\n",
            baselineSamples);
        MeasureBaseline(display, codes, desktop, baselineSamples);

        std::printf(
            "\n== Movement timing and cost while moving (tracing off; East for max(2 s, 60 steps))\n");
        std::printf(
            "   Step times: MotionNotify events as the second client takes them off the connection;\n"
            "   the first step is left out. CPU and wake-ups of the program over the same period.\n");
        std::printf("  %8s %10s %12s %14s %16s %8s %12s %14s\n", "delay", "nominal/s", "achieved/s",
                    "median step", "p99 |step-delay|", "CPU", "wake-ups/s", "involuntary/s");
        for (const int delay : {2, 5, 10, 20, 50, 100}) {
            const MovementRun run = MeasureMovement(binDir, work, display, desktop, delay);
            std::printf("  %5d ms %10.1f %12.1f %11.2f ms %13.2f ms %7.1f%% %12.1f %14.1f   (%zu steps)\n",
                        delay, 1000.0 / delay, run.stepsPerSecond, run.medianIntervalMs, run.p99DeviationMs,
                        run.cpuPercent, run.wakeupsPerSecond, run.involuntaryPerSecond, run.steps);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qm_bench_latency: %s (work folder kept: %s)\n", error.what(), work.c_str());
        return 1;
    }
    std::error_code error;
    fs::remove_all(work, error);
    return result;
}
