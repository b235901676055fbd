// End-to-end measurements of the built program on this machine, the way its user feels them: a
// lone byte after a pause, timed from write() on the far end of a pseudo-terminal to the event a
// second X client sees, beside a one-process floor (qm_latency_floor: read the line, XTest,
// XFlush) measured on the same display in the same run, the two taking turns byte by byte. Then
// movement timing and what the program costs while idle and while moving. The program runs
// under the end-to-end tests' harness (a private Xvfb with a notification area, a settings tree
// of its own, the program copied into a temporary folder). Figures only: nothing here passes or
// fails on a timing.
//
// Usage: qm_bench_latency BIN_DIR [--samples N] [--spacing MS] [--part throughput|sway|mutter|lent]
//                         [--runs N] [--load N] [--layouts us,de,...]
//   BIN_DIR holds quillmotion; qm_latency_floor lies beside this program. --part sway measures the
//   lone-byte latency on a headless sway instead (sway and wev needed), with qm_latency_floor_wlr;
//   --part mutter on a headless GNOME (mutter, dbus-daemon and wev), with qm_latency_floor_mutter.
//   --part lent measures the typing of characters the layout lacks: their rate, and bursts of every
//   printable character into an xterm on five layouts or --layouts (--runs per layout, default 20, with
//   --load busy loops beside them, default one per core), counting the characters that arrive wrong;
//   --part lent-speed and --part lent-bursts measure one of the two.

// The harness first: Xlib's None and Status macros would break the project's headers.
#include "support/PrintableAnsi.h"
#include "support/gui/LaunchedProgram.h"
#include "support/wayland/HeadlessMutter.h"
#include "support/wayland/SwaySession.h"

#include "desktop/remote/MutterDesktop.h"

#include "SettingsTree.h"
#include "settings/hive/FileHiveRegistry.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QCoreApplication>

#include <poll.h>
#include <signal.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace qm;
using qm::test::LaunchedProgram;
using qm::test::LaunchOptions;
using qm::test::Process;
using qm::test::PtyPair;

namespace {

constexpr int kScreenWidth = 4096;  // wide, so that a long eastward run never meets the edge
constexpr int kScreenHeight = 1024;

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

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
        XWarpPointer(display_, 0L, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
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
    // When the first event of this type was taken off the connection.
    std::optional<Clock::time_point> Wait(int type, Clock::duration timeout = 2s) {
        const auto deadline = Clock::now() + timeout;
        while (true) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                const auto seen = Clock::now();
                if (event.type == type) {
                    return seen;
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

    // A key of the second client's own, pressed and released through the display server: every
    // request the server took before it comes first. How many key presses arrived before the
    // marker's, and how many after it within the time given.
    std::pair<std::size_t, std::size_t> CountAroundMarker(Clock::duration timeout) {
        const KeyCode marker = XKeysymToKeycode(display_, XStringToKeysym("F12"));
        XTestFakeKeyEvent(display_, marker, True, 0);
        XTestFakeKeyEvent(display_, marker, False, 0);
        XFlush(display_);
        std::size_t before = 0;
        std::size_t after = 0;
        bool seen = false;
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == KeyPress && event.xkey.keycode == marker) {
                    seen = true;
                } else if (event.type == KeyPress) {
                    ++(seen ? after : before);
                }
            }
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&connection, 1, 10);
        }
        return {before, after};
    }

    // Takes events off the connection until the time given; how many were of this type.
    std::size_t CountUntil(int type, Clock::time_point until) {
        std::size_t count = 0;
        while (true) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                count += event.type == type ? 1 : 0;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0) {
                return count;
            }
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&connection, 1, static_cast<int>(left.count()) + 1);
        }
    }

    // The same for key presses other than those of modifier keys (Shift and AltGr around a
    // character): one per character typed.
    std::size_t CountCharactersUntil(Clock::time_point until) {
        std::vector<bool> modifier(256, false);
        XModifierKeymap* map = XGetModifierMapping(display_);
        for (int i = 0; i < 8 * map->max_keypermod; ++i) {
            modifier[map->modifiermap[i]] = map->modifiermap[i] != 0;
        }
        XFreeModifiermap(map);
        std::size_t count = 0;
        while (true) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                count += event.type == KeyPress && !modifier[event.xkey.keycode] ? 1 : 0;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0) {
                return count;
            }
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&connection, 1, static_cast<int>(left.count()) + 1);
        }
    }

private:
    Display* display_;
    Window window_ = 0;
};

// CPU time (all threads), voluntary and involuntary context switches (all threads), resident set.
struct Usage {
    double cpuMs = 0;
    long voluntary = 0;
    long involuntary = 0;
    long rssKb = 0;
    long peakRssKb = 0;
};

Usage UsageOf(pid_t pid) {
    Usage usage;
    usage.cpuMs = qm::test::CpuMilliseconds(pid);
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
    usage.peakRssKb = field("/proc/" + std::to_string(pid) + "/status", "VmHWM");
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

struct Codes {
    unsigned char east = 0;
    unsigned char stop = 0;
    unsigned char click = 0;
    unsigned char west = 0;
};

Codes CodesOf(const std::string& hive) {
    FileHiveRegistry registry(hive);
    const auto code = [&](const std::string& key, const std::string& name) {
        SettingsTree::RegValue value;
        if (!SettingsTree::ReadValue(registry, key, name, value).Ok()) {
            throw std::runtime_error("cannot read " + key + "\\" + name);
        }
        return static_cast<unsigned char>(std::stoi(SettingsTree::ValueText(value)));
    };
    return {code("Mouse\\Movement", "E_ASCII"), code("Mouse\\Movement", "STOP_ASCII"),
            code("Mouse\\Buttons", "LEFT_SCLICK_ASCII"), code("Mouse\\Movement", "W_ASCII")};
}

// One reader of a line: the program or the floor, with what it has measured.
struct Subject {
    std::function<void(unsigned char)> write;
    std::vector<double> key;
    std::vector<double> click;
    std::vector<double> move;
    std::size_t lost = 0;
};

void Write(PtyPair& line, unsigned char byte) {
    line.Write(std::string(1, static_cast<char>(byte)));
}

// Each kind in turn, each sample byte by byte for every subject in turn; spacing before each
// byte (none: back to back, the next byte written as soon as the last event has been seen).
void Measure(std::vector<Subject*> subjects, const Codes& codes, Desktop& desktop, int samples,
             Clock::duration spacing) {
    const auto pause = [&] {
        if (spacing > Clock::duration::zero()) {
            std::this_thread::sleep_for(spacing);
        }
    };
    const auto sample = [&](Subject& subject, unsigned char byte, int type, int endType,
                            std::vector<double>& into) {
        pause();
        const auto written = Clock::now();
        subject.write(byte);
        const auto seen = desktop.Wait(type);
        if (!seen) {
            ++subject.lost;
            return;
        }
        into.push_back(Micros(*seen - written));
        desktop.Wait(endType);
    };
    desktop.Warp(kScreenWidth / 2, kScreenHeight / 2);
    desktop.Drain();
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : subjects) {
            sample(*subject, 'a', KeyPress, KeyRelease, subject->key);
        }
    }
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : subjects) {
            sample(*subject, codes.click, ButtonPress, ButtonRelease, subject->click);
        }
    }
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : subjects) {
            desktop.Warp(kScreenWidth / 2, kScreenHeight / 2);
            desktop.Drain();
            pause();
            const auto written = Clock::now();
            subject->write(codes.east);
            const auto motion = desktop.Wait(MotionNotify);
            if (!motion) {
                ++subject->lost;
            } else {
                subject->move.push_back(Micros(*motion - written));
            }
            // The line is read in order: once the key after Stop is seen, the movement has ended.
            subject->write(codes.stop);
            subject->write('z');
            desktop.Wait(KeyRelease);
        }
    }
}

// The samples over 1 ms, several times either median: stalls of the machine (another process or
// the host taking the processor) strike both subjects alike, and a few of them decide each p99.
std::size_t Stalls(const std::vector<double>& values) {
    return static_cast<std::size_t>(
        std::count_if(values.begin(), values.end(), [](double v) { return v > 1000; }));
}

void PrintKind(const char* kind, const std::vector<double>& program, const std::vector<double>& floor) {
    const Stats p = Summarise(program);
    const Stats f = Summarise(floor);
    std::printf(
        "  %-15s program median %6.0f us  p99 %6.0f us  |  floor median %6.0f us  p99 %6.0f us  |  "
        "ratio median %.2f  p99 %.2f  |  over 1 ms %zu / %zu\n",
        kind, p.median, p.p99, f.median, f.p99, f.median > 0 ? p.median / f.median : 0.0,
        f.p99 > 0 ? p.p99 / f.p99 : 0.0, Stalls(program), Stalls(floor));
}

void PrintRun(const Subject& program, const Subject& floor) {
    PrintKind("keystroke", program.key, floor.key);
    PrintKind("click", program.click, floor.click);
    PrintKind("movement start", program.move, floor.move);
    if (program.lost + floor.lost > 0) {
        std::printf("  (lost: program %zu, floor %zu)\n", program.lost, floor.lost);
    }
}

// The program started by the harness, connected, with a full-screen second client holding the
// keyboard focus (made before the notification area, so that the area stays above it).
struct Run {
    explicit Run(const LaunchOptions& options) : launched(options), desktop(launched.Display()) {
        launched.Start();
        if (!launched.WaitConnected()) {
            throw std::runtime_error("the program did not connect:\n" + launched.Output());
        }
        codes = CodesOf(launched.Hive());
        desktop.Focus();
    }
    LaunchedProgram launched;
    Desktop desktop;
    Codes codes;
};

LaunchOptions Options(bool tracing, int movementDelay, bool sequenceMode = false) {
    LaunchOptions options;
    options.tracing = tracing;
    options.movementDelay = movementDelay;
    options.screenWidth = kScreenWidth;
    options.screenHeight = kScreenHeight;
    if (sequenceMode) {
        options.values.emplace_back("Emulation ASCIISequence 1");
    }
    return options;
}

// Writes the pattern to the line again and again, in pieces of at most 4 KB, until told to stop
// or until limit bytes are written: the line takes what it can, and a full line blocks the
// writer as a saturated serial line would hold its sender back.
class LineWriter {
public:
    LineWriter(PtyPair& line, std::string pattern, std::size_t limit = SIZE_MAX)
        : thread_([this, &line, pattern = std::move(pattern), limit] {
              std::string block;
              while (block.size() < 4096) {
                  block += pattern;
              }
              block.resize(4096 - 4096 % pattern.size());
              while (!stop_ && written_ < limit) {
                  try {
                      line.Write(std::string_view(block).substr(0, std::min(block.size(), limit - written_)));
                  } catch (const std::exception&) {
                      return;
                  }
                  written_ += std::min(block.size(), limit - written_.load());
              }
          }) {}
    ~LineWriter() { Stop(); }
    // Waits for the piece being written to go.
    std::size_t Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return written_;
    }
    std::size_t Written() const { return written_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> written_{0};
    std::thread thread_;
};

// Typing from a line that never runs dry: keys counted as the second client takes them off its
// connection, over a period after a warm-up; CPU of the program over the same period.
void MeasureTyping(bool tracing, bool sequenceMode) {
    Run run(Options(tracing, 2, sequenceMode));
    // In ASCII Sequence Mode every 16th key comes as Esc A ddd: 20 line bytes for 16 keys.
    const std::string pattern = sequenceMode ? std::string(
                                                   "abcdefghijklmno\x1b"
                                                   "A098")
                                             : "abcdefghijklmnop";
    const double lineBytesPerKey = sequenceMode ? 20.0 / 16.0 : 1.0;
    const pid_t pid = run.launched.Program().Pid();
    Desktop& desktop = run.desktop;
    desktop.Drain();
    LineWriter writer(run.launched.Line(), pattern);
    desktop.CountUntil(KeyPress, Clock::now() + 1s);
    const Usage before = UsageOf(pid);
    const auto start = Clock::now();
    const std::size_t keys = desktop.CountUntil(KeyPress, start + 4s);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const Usage after = UsageOf(pid);
    writer.Stop();
    const double keysPerSecond = static_cast<double>(keys) / seconds;
    const double lineBytes = keysPerSecond * lineBytesPerKey;
    // On a busy machine the program may get less than a core: its CPU time per line byte tells
    // what it would manage with one to itself.
    const double cpuUsPerByte = (after.cpuMs - before.cpuMs) * 1000.0 / (lineBytes * seconds);
    std::printf(
        "  %-32s %7.0f keys/s %7.0f line bytes/s  CPU %5.1f %% (%5.1f us per line byte)  -> goal of 11,520 "
        "line "
        "bytes/s %s\n",
        sequenceMode ? (tracing ? "ASCII Sequence Mode, tracing on" : "ASCII Sequence Mode, tracing off")
                     : (tracing ? "direct mode, tracing on" : "direct mode, tracing off"),
        keysPerSecond, lineBytes, (after.cpuMs - before.cpuMs) / (seconds * 10.0), cpuUsPerByte,
        lineBytes >= 11520 ? "met" : "NOT met");
}

// Memory while the line sends far more than can be typed: 50 MB offered as fast as the line takes
// it, for 5 s; then the device goes away, and what was not typed by then must not be typed.
void MeasureBurst() {
    Run run(Options(false, 2));
    const pid_t pid = run.launched.Program().Pid();
    Desktop& desktop = run.desktop;
    std::this_thread::sleep_for(1s);
    desktop.Drain();
    const Usage idle = UsageOf(pid);
    constexpr std::size_t kBurst = std::size_t{50} << 20;
    LineWriter writer(run.launched.Line(), "abcdefghijklmnop", kBurst);
    const std::size_t keys = desktop.CountUntil(KeyPress, Clock::now() + 5s);
    const Usage busy = UsageOf(pid);
    run.launched.Line().CloseFarEnd();  // the device vanishes; the writer's next piece fails
    const std::size_t written = writer.Stop();
    // Keys the program sent before it saw the device go may still be on their way through the
    // display server; a marker sent 50 ms later tells them from keys typed after that.
    std::this_thread::sleep_for(50ms);
    const auto [inFlight, after] = desktop.CountAroundMarker(2s);
    const Usage closed = UsageOf(pid);
    std::printf("  resident memory idle (connected, 1 s after start)    %8ld KB\n", idle.rssKb);
    std::printf(
        "  after 5 s of a 50 MB burst offered to the line        %8ld KB  (peak %ld KB; the line took %.1f "
        "KB,\n"
        "                                                       %zu keys typed meanwhile)\n",
        busy.rssKb, busy.peakRssKb, static_cast<double>(written) / 1024.0, keys);
    std::printf(
        "  2 s after the device vanished                         %8ld KB  (keys typed more than 50 ms after "
        "it\n"
        "                                                       went: %zu; %zu sent earlier were still on "
        "their way)\n",
        closed.rssKb, after, inFlight);
    std::printf("  -> goal of at most 10 MB above idle: %s (%+.1f MB at the peak)\n",
                busy.peakRssKb - idle.rssKb <= 10 * 1024 ? "met" : "NOT met",
                static_cast<double>(busy.peakRssKb - idle.rssKb) / 1024.0);
}

void MeasureAgainstFloor(const fs::path& floorProgram, bool tracing, int samples, Clock::duration spacing,
                         bool backToBack) {
    Run run(Options(tracing, 2));
    PtyPair floorLine;
    Process floor({floorProgram.string(), floorLine.DevicePath(), std::to_string(run.codes.east),
                   std::to_string(run.codes.click), std::to_string(run.codes.stop)},
                  {"DISPLAY=" + run.launched.Display()});
    std::this_thread::sleep_for(500ms);
    run.desktop.Focus();
    run.desktop.Drain();
    PtyPair& line = run.launched.Line();
    Subject program{[&](unsigned char byte) { Write(line, byte); }, {}, {}, {}, 0};
    Subject bridge{[&](unsigned char byte) { Write(floorLine, byte); }, {}, {}, {}, 0};
    Measure({&program, &bridge}, run.codes, run.desktop, samples, spacing);
    std::printf(
        "  %d ms between bytes (each subject idle when its byte arrives), %d samples per kind each:\n",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(spacing).count()), samples);
    PrintRun(program, bridge);
    if (backToBack) {
        Subject program2{program.write, {}, {}, {}, 0};
        Subject bridge2{bridge.write, {}, {}, {}, 0};
        Measure({&program2, &bridge2}, run.codes, run.desktop, samples, Clock::duration::zero());
        std::printf(
            "  back to back (each byte written the moment the last one's event was seen; the reader is\n"
            "  still awake, so this is not what a user feels), %d samples per kind each:\n",
            samples);
        PrintRun(program2, bridge2);
    }
}

void MeasureIdle() {
    Run run(Options(false, 2));
    std::this_thread::sleep_for(1s);
    const Usage startup = UsageOf(run.launched.Program().Pid());
    std::this_thread::sleep_for(5s);
    const Usage idle = UsageOf(run.launched.Program().Pid());
    std::printf("\n== Idle cost (tracing off, connected to COM7:, nothing on the line)\n");
    std::printf("  resident memory 1 s after connecting          %8ld KB   (VmRSS, /proc/PID/status)\n",
                startup.rssKb);
    std::printf(
        "  CPU while idle                              %8.2f %%    (utime+stime over 5 s; %.0f ms used)\n",
        (idle.cpuMs - startup.cpuMs) / 50.0, idle.cpuMs - startup.cpuMs);
    std::printf(
        "  wake-ups while idle                         %8.1f /s   (voluntary_ctxt_switches, all threads, "
        "over 5 s; involuntary %.1f /s)\n",
        static_cast<double>(idle.voluntary - startup.voluntary) / 5.0,
        static_cast<double>(idle.involuntary - startup.involuntary) / 5.0);
}

void MeasureMovement(int delay) {
    Run run(Options(false, delay));
    Desktop& desktop = run.desktop;
    desktop.Warp(10, kScreenHeight / 2);
    std::this_thread::sleep_for(300ms);
    desktop.Drain();
    const Clock::duration period = std::max<Clock::duration>(2s, std::chrono::milliseconds(60 * delay));
    const pid_t pid = run.launched.Program().Pid();

    const Usage before = UsageOf(pid);
    const auto start = Clock::now();
    Write(run.launched.Line(), run.codes.east);
    std::vector<Clock::time_point> seen;
    while (Clock::now() - start < period) {
        if (const auto motion = desktop.Wait(MotionNotify, 200ms)) {
            seen.push_back(*motion);
        }
    }
    const Usage after = UsageOf(pid);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    Write(run.launched.Line(), run.codes.stop);

    double stepsPerSecond = 0;
    Stats intervals;
    Stats deviations;
    if (seen.size() >= 3) {
        // From the first step on: the first one's delay is the start latency, measured above.
        stepsPerSecond = static_cast<double>(seen.size() - 1) /
                         std::chrono::duration<double>(seen.back() - seen.front()).count();
        std::vector<double> steps;
        std::vector<double> off;
        for (std::size_t i = 1; i < seen.size(); ++i) {
            const double ms = std::chrono::duration<double, std::milli>(seen[i] - seen[i - 1]).count();
            steps.push_back(ms);
            off.push_back(std::fabs(ms - delay));
        }
        intervals = Summarise(steps);
        deviations = Summarise(off);
    }
    std::printf("  %5d ms %10.1f %12.1f %11.2f ms %13.2f ms %7.1f%% %12.1f %14.1f   (%zu steps)\n", delay,
                1000.0 / delay, stepsPerSecond, intervals.median, deviations.p99,
                (after.cpuMs - before.cpuMs) / (seconds * 1000.0) * 100.0,
                static_cast<double>(after.voluntary - before.voluntary) / seconds,
                static_cast<double>(after.involuntary - before.involuntary) / seconds, seen.size());
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void MeasureThroughput() {
    std::printf(
        "\n== Typing throughput through the display (the Release program on Xvfb; a saturated line: a "
        "writer\n"
        "   keeps the pseudo-terminal full; KeyPress events counted at the second client over 4 s after 1 s\n"
        "   of warm-up; load average %s on %u cores, so the program may get less than a core)\n",
        LoadAverage().c_str(), std::thread::hardware_concurrency());
    MeasureTyping(false, false);
    MeasureTyping(true, true);

    std::printf("\n== Memory under a burst (tracing off; VmRSS and VmHWM from /proc/PID/status)\n");
    MeasureBurst();
}

// Characters the layout has no key for go out on keycodes the program lends itself. The rate at
// which they are typed from a line that never runs dry, direct mode, tracing off, on Xvfb's US
// layout: characters (key presses other than Shift and AltGr) counted at the second client over
// 4 s after 1 s of warm-up.
double CharactersPerSecond(const std::string& pattern) {
    Run run(Options(false, 2));
    Desktop& desktop = run.desktop;
    desktop.Drain();
    LineWriter writer(run.launched.Line(), pattern);
    desktop.CountCharactersUntil(Clock::now() + 1s);
    const auto start = Clock::now();
    const std::size_t characters = desktop.CountCharactersUntil(start + 4s);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.Stop();
    return static_cast<double>(characters) / seconds;
}

void MeasureLentTyping() {
    std::printf(
        "\n== Typing characters the layout lacks (lent keycodes), direct mode, tracing off, Xvfb's US "
        "layout;\n"
        "   a saturated line, characters counted at a second client over 4 s after 1 s of warm-up; load "
        "average %s\n",
        LoadAverage().c_str());
    // Every printable character above ASCII: the US layout has a key for none of them.
    std::string lacking;
    for (const char character : qm::test::PrintableAnsi()) {
        if (static_cast<unsigned char>(character) >= 0x80) {
            lacking += character;
        }
    }
    const struct {
        const char* what;
        std::string pattern;
    } kinds[] = {
        {"the layout's own keys (abcdefghijklmnop)", "abcdefghijklmnop"},
        {"16 accented letters, over and over",
         "\xE9\xE8\xE0\xE7\xF9\xE2\xEA\xEE\xF4\xFB\xEB\xEF\xFC\xE4\xF6\xF1"},
        {"all 123 above ASCII, over and over", lacking},
    };
    for (const auto& kind : kinds) {
        std::printf("  %-42s %9.0f characters/s\n", kind.what, CharactersPerSecond(kind.pattern));
    }
}

// The code points of UTF-8 text (bytes that do not decode count as one each).
std::vector<char32_t> CodePoints(const std::string& utf8) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80    ? 1
                                   : lead >= 0xF0 ? 4
                                   : lead >= 0xE0 ? 3
                                   : lead >= 0xC0 ? 2
                                                  : 1;
        char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            point = (point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

// Characters that did not arrive as sent: those that differ where both have one, and those
// missing or extra.
std::size_t Wrong(const std::string& sent, const std::string& got, std::string& which) {
    const std::vector<char32_t> a = CodePoints(sent);
    const std::vector<char32_t> b = CodePoints(got);
    std::size_t wrong = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i]) {
            ++wrong;
            char pair[32];
            std::snprintf(pair, sizeof pair, " U+%04X(U+%04X)", static_cast<unsigned>(a[i]),
                          static_cast<unsigned>(b[i]));
            which += pair;
        }
    }
    return wrong;
}

// The program in ASCII Sequence Mode types every printable character of Windows-1252 in one burst
// (each as Esc A ddd, all written to the line at once) into an xterm on the layout given, while
// busy loops load the machine. xterm sends what it is typed to its child, which writes it to a
// file; each burst is compared with what was sent once the file has as many bytes or stops
// growing. The wrong characters of each run.
std::vector<std::size_t> LentBursts(const std::string& layout, int runs, int load, std::string& example) {
    Run run(Options(false, 2, true));
    const std::string display = run.launched.Display();
    if (std::system(("setxkbmap -display " + display + " " + layout).c_str()) != 0) {
        throw std::runtime_error("setxkbmap cannot set the layout " + layout);
    }
    qm::test::TempDir folder;
    const std::string typed = folder.File("typed");
    qm::test::WriteFile(typed, "");
    Process xterm({qm::test::FindOnPath("xterm"), "-T", "qm-lent-keys", "-geometry", "100x30+0+0", "-e",
                   "/bin/sh", "-c", "stty raw -echo && exec cat >" + typed},
                  {"DISPLAY=" + display, "LC_ALL=C.UTF-8"}, folder.Path().string(),
                  folder.File("xterm-output"));
    // Ready once a key typed into it comes out.
    if (!qm::test::Eventually([&] {
            run.launched.Xdotool("search --name qm-lent-keys windowfocus");
            run.launched.Line().Write("x");
            return qm::test::Eventually([&] { return !qm::test::ReadFile(typed).empty(); }, 500ms);
        })) {
        throw std::runtime_error("xterm took no keys");
    }
    std::vector<std::unique_ptr<Process>> busy;
    for (int i = 0; i < load; ++i) {
        busy.push_back(std::make_unique<Process>(
            std::vector<std::string>{"/bin/sh", "-c", "while :; do :; done"}, std::vector<std::string>{}));
    }
    std::string burst;
    for (const char character : qm::test::PrintableAnsi()) {
        char sequence[8];
        std::snprintf(sequence, sizeof sequence,
                      "\x1b"
                      "A%03u",
                      static_cast<unsigned>(static_cast<unsigned char>(character)));
        burst += sequence;
    }
    const std::string sent = Utf8FromCp1252(qm::test::PrintableAnsi());
    std::vector<std::size_t> wrong;
    std::this_thread::sleep_for(300ms);
    // The size of the file once it has not grown for the time given (at most 30 s).
    const auto settled = [&](std::size_t enough, Clock::duration still) {
        std::size_t size = qm::test::ReadFile(typed).size();
        const auto begin = Clock::now();
        auto grew = begin;
        while (size < enough && Clock::now() - grew < still && Clock::now() - begin < 30s) {
            std::this_thread::sleep_for(20ms);
            if (const std::size_t now = qm::test::ReadFile(typed).size(); now != size) {
                size = now;
                grew = Clock::now();
            }
        }
        return size;
    };
    for (int i = 0; i < runs; ++i) {
        run.launched.Xdotool("search --name qm-lent-keys windowfocus");
        const std::size_t start = settled(SIZE_MAX, 300ms);
        run.launched.Line().Write(burst);
        // Done when all has come or nothing more came for 5 s.
        settled(start + sent.size(), 5s);
        std::this_thread::sleep_for(100ms);
        std::string which;
        wrong.push_back(Wrong(sent, qm::test::ReadFile(typed).substr(start), which));
        if (example.empty() && !which.empty()) {
            example = which;
        }
    }
    return wrong;
}

void MeasureLentBursts(const std::string& layouts, int runs, int load) {
    std::printf(
        "\n== Every printable Windows-1252 character (%zu) in one burst, Esc A ddd in ASCII Sequence Mode,\n"
        "   into an xterm, %d runs per layout, %d busy loops beside it on %u cores; wrong characters per "
        "run\n",
        qm::test::PrintableAnsi().size(), runs, load, std::thread::hardware_concurrency());
    if (qm::test::FindOnPath("xterm").empty() || qm::test::FindOnPath("setxkbmap").empty()) {
        std::printf("  (xterm or setxkbmap is not installed)\n");
        return;
    }
    std::istringstream list(layouts);
    for (std::string layout; std::getline(list, layout, ',');) {
        std::string example;
        const std::vector<std::size_t> wrong = LentBursts(layout, runs, load, example);
        std::size_t total = 0;
        std::printf("  %s:", layout.c_str());
        for (const std::size_t each : wrong) {
            std::printf(" %zu", each);
            total += each;
        }
        std::printf("   (%zu wrong in all)\n", total);
        if (!example.empty()) {
            std::printf("     sent(arrived):%s\n", example.c_str());
        }
    }
}

}  // namespace

// The same lone bytes on a headless sway: the program injects through the wlroots virtual pointer
// and keyboard (its windows stay on the harness's Xvfb), the floor (qm_latency_floor_wlr) through
// devices of its own, and wev, full-screen in sway, is the client that sees the events, each
// timed when the line that reports it is read from wev's terminal.
void MeasureOnSway(const fs::path& floorProgram, int samples, Clock::duration spacing) {
    test::SwaySession sway("us", kScreenWidth, kScreenHeight);
    test::WevRecorder wev(sway);
    LaunchOptions options = Options(false, 2);
    options.environment = {"WAYLAND_DISPLAY=" + sway.Socket(), "QUILLMOTION_DESKTOP=wlroots"};
    LaunchedProgram launched(options);
    launched.Start();
    if (!launched.WaitConnected()) {
        throw std::runtime_error("the program did not connect:\n" + launched.Output());
    }
    const Codes codes = CodesOf(launched.Hive());
    PtyPair floorLine;
    Process floor({floorProgram.string(), floorLine.DevicePath(), std::to_string(codes.east),
                   std::to_string(codes.click), std::to_string(codes.stop), std::to_string(codes.west)},
                  sway.Environment());
    std::this_thread::sleep_for(500ms);
    Subject program{[&](unsigned char byte) { Write(launched.Line(), byte); }, {}, {}, {}, 0};
    Subject bridge{[&](unsigned char byte) { Write(floorLine, byte); }, {}, {}, {}, 0};
    const auto sample = [&](Subject& subject, unsigned char byte, const std::string& event,
                            const std::string& end, std::vector<double>& into) {
        std::this_thread::sleep_for(spacing);
        wev.Clear();
        const auto written = Clock::now();
        subject.write(byte);
        const auto seen = wev.WaitFor(event);
        if (!seen) {
            ++subject.lost;
            return;
        }
        into.push_back(Micros(*seen - written));
        // A move has no end of its own: waiting for any next event cost 2 s whenever it was one.
        if (!end.empty()) {
            wev.WaitFor(end);
        }
    };
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : {&program, &bridge}) {
            sample(*subject, 'a', "+a", "-a", subject->key);
        }
    }
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : {&program, &bridge}) {
            sample(*subject, codes.click, "+left", "-left", subject->click);
        }
    }
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : {&program, &bridge}) {
            // East and West in turn keep the pointer near the middle without a third client: with
            // one warping it back by absolute moves, the relative moves stopped reaching wev after
            // some twenty samples (not understood; not seen without the warp).
            // The line is read in order: once the key after Stop is seen, the movement has ended.
            sample(*subject, i % 2 == 0 ? codes.east : codes.west, "motion", "", subject->move);
            subject->write(codes.stop);
            subject->write('z');
            wev.WaitFor("-z");
        }
    }
    std::printf("  %d ms between bytes, %d samples per kind each:\n",
                static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(spacing).count()),
                samples);
    PrintRun(program, bridge);
}

// A file as it grows, line by line: inotify wakes the reader as soon as the writer has written,
// so that each line is timed when it arrived, as a reader of a pseudo-terminal would time it.
class GrowingFile {
public:
    explicit GrowingFile(const std::string& path)
        : file_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)),
          notify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (file_ < 0 || notify_ < 0 || ::inotify_add_watch(notify_, path.c_str(), IN_MODIFY) < 0) {
            throw std::runtime_error("cannot follow " + path);
        }
        ::lseek(file_, 0, SEEK_END);
    }
    ~GrowingFile() {
        ::close(notify_);
        ::close(file_);
    }
    GrowingFile(const GrowingFile&) = delete;
    GrowingFile& operator=(const GrowingFile&) = delete;

    // Forgets every line that has arrived.
    void Clear() {
        Read();
        lines_.clear();
    }
    // Waits in poll() for the next line that holds both texts; when it was read.
    std::optional<Clock::time_point> WaitFor(const std::string& text, const std::string& also,
                                             Clock::duration timeout = 2s) {
        const auto deadline = Clock::now() + timeout;
        while (true) {
            Read();
            while (!lines_.empty()) {
                const auto [line, read] = lines_.front();
                lines_.erase(lines_.begin());
                if (line.find(text) != std::string::npos && line.find(also) != std::string::npos) {
                    return read;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            pollfd waiting{notify_, POLLIN, 0};
            ::poll(&waiting, 1, static_cast<int>(left.count()) + 1);
        }
    }

private:
    void Read() {
        char buffer[4096];
        while (::read(notify_, buffer, sizeof buffer) > 0) {
        }
        ssize_t got = 0;
        while ((got = ::read(file_, buffer, sizeof buffer)) > 0) {
            partial_.append(buffer, static_cast<std::size_t>(got));
            const auto read = Clock::now();
            for (std::size_t end = partial_.find('\n'); end != std::string::npos; end = partial_.find('\n')) {
                lines_.emplace_back(partial_.substr(0, end), read);
                partial_.erase(0, end + 1);
            }
        }
    }

    int file_;
    int notify_;
    std::string partial_;
    std::vector<std::pair<std::string, Clock::time_point>> lines_;
};

// The same lone bytes on a headless GNOME: the program injects through GNOME's own remote-desktop
// interface (its windows stay on the harness's Xvfb), the floor (qm_latency_floor_mutter) through
// a session of its own, and wev's window, which does not fill the screen here, sees the events,
// each timed when wev's line that reports it is read from its log.
void MeasureOnMutter(const fs::path& floorProgram, int samples, Clock::duration spacing) {
    int argc = 1;
    char name[] = "qm_bench_latency";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    test::HeadlessMutter session;
    LaunchOptions options = Options(false, 2);
    options.environment = session.Environment();
    options.environment.push_back("QUILLMOTION_DESKTOP=mutter");
    LaunchedProgram launched(options);
    launched.Start();
    if (!launched.WaitConnected()) {
        throw std::runtime_error("the program did not connect:\n" + launched.Output());
    }
    const Codes codes = CodesOf(launched.Hive());
    PtyPair floorLine;
    Process floor({floorProgram.string(), floorLine.DevicePath(), std::to_string(codes.east),
                   std::to_string(codes.click), std::to_string(codes.stop), std::to_string(codes.west)},
                  session.Environment());
    // A hand of the bench's own puts the pointer in the middle of wev's window.
    {
        MutterDesktop hand;
        hand.MoveBy(-5000, -5000);
        hand.MoveTo({400, 300});
        if (session.WaitForEvents([](const std::vector<std::string>& seen) { return !seen.empty(); })
                .empty()) {
            throw std::runtime_error("the pointer did not reach wev's window");
        }
        session.WaitForEvents([](const std::vector<std::string>&) { return false; }, 300ms);
    }
    std::this_thread::sleep_for(500ms);
    GrowingFile wev(session.WevLog());
    Subject program{[&](unsigned char byte) { Write(launched.Line(), byte); }, {}, {}, {}, 0};
    Subject bridge{[&](unsigned char byte) { Write(floorLine, byte); }, {}, {}, {}, 0};
    const auto sample = [&](Subject& subject, unsigned char byte, const std::string& event,
                            const std::string& end, std::vector<double>& into) {
        std::this_thread::sleep_for(spacing);
        wev.Clear();
        const auto written = Clock::now();
        subject.write(byte);
        const auto seen = wev.WaitFor(event, "state: 1");
        if (!seen) {
            ++subject.lost;
            return;
        }
        into.push_back(Micros(*seen - written));
        wev.WaitFor(end, "state: 0");
    };
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : {&program, &bridge}) {
            sample(*subject, 'a', "wl_keyboard] key:", "wl_keyboard] key:", subject->key);
        }
    }
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : {&program, &bridge}) {
            // East and West in turn keep the pointer on the window, as on sway.
            std::this_thread::sleep_for(spacing);
            wev.Clear();
            const auto written = Clock::now();
            subject->write(i % 2 == 0 ? codes.east : codes.west);
            if (const auto seen = wev.WaitFor("wl_pointer] motion:", "")) {
                subject->move.push_back(Micros(*seen - written));
            } else {
                ++subject->lost;
            }
            // The line is read in order: once the key after Stop is seen, the movement has ended.
            subject->write(codes.stop);
            subject->write('z');
            wev.WaitFor("wl_keyboard] key:", "state: 0");
        }
    }
    // After the moves: mutter sent a virtual pointer's buttons nowhere until it had moved.
    for (int i = 0; i < samples; ++i) {
        for (Subject* subject : {&program, &bridge}) {
            sample(*subject, codes.click, "wl_pointer] button:", "wl_pointer] button:", subject->click);
        }
    }
    std::printf("  %d ms between bytes, %d samples per kind each:\n",
                static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(spacing).count()),
                samples);
    PrintRun(program, bridge);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: %s BIN_DIR [--samples N] [--spacing MS] [--part PART] [--runs N] [--load N] "
                     "[--layouts LIST]\n",
                     argv[0]);
        return 2;
    }
    const fs::path binDir = fs::absolute(argv[1]);
    int samples = 300;
    int spacingMs = 30;
    std::string part = "all";  // or "throughput": the typing and memory figures alone
    int runs = 20;             // bursts per layout (--part lent)
    std::string layouts = "us,de,fr,gb,es";
    int load = static_cast<int>(std::thread::hardware_concurrency());  // busy loops beside them
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--samples") == 0) {
            samples = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--spacing") == 0) {
            spacingMs = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--layouts") == 0) {
            layouts = argv[i + 1];
        } else if (std::strcmp(argv[i], "--load") == 0) {
            load = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--part") == 0) {
            part = argv[i + 1];
        }
    }
    if (!fs::exists(binDir / "quillmotion")) {
        std::fprintf(stderr, "quillmotion is not in %s\n", binDir.c_str());
        return 2;
    }
    const fs::path floorProgram = fs::canonical("/proc/self/exe").parent_path() / "qm_latency_floor";
    for (const char* needed : {"Xvfb", "trayer"}) {
        if (qm::test::FindOnPath(needed).empty()) {
            std::fprintf(stderr, "%s is not installed (scripts/deps installs it)\n", needed);
            return 2;
        }
    }
    // Line by line, so that nothing waits in the buffer when a child process is forked.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ::setenv("QM_BIN_DIR", binDir.c_str(), 1);
    ::signal(SIGPIPE, SIG_IGN);
    try {
        if (part.rfind("lent", 0) == 0) {
            if (part != "lent-bursts") {
                MeasureLentTyping();
            }
            if (part != "lent-speed") {
                MeasureLentBursts(layouts, runs, load);
            }
            return 0;
        }
        if (part == "throughput") {
            MeasureThroughput();
            return 0;
        }
        if (part == "sway") {
            std::printf(
                "\n== Latency of a lone byte on a headless sway (%dx%d), against a one-process floor\n",
                kScreenWidth, kScreenHeight);
            std::printf(
                "   As on X11, through the wlroots virtual pointer and keyboard "
                "(QUILLMOTION_DESKTOP=wlroots),\n"
                "   to the event's line read from wev's terminal (wev full-screen in sway). The floor\n"
                "   (qm_latency_floor_wlr) reads a line of its own and makes the same requests directly.\n"
                "   Each is a keyboard of its own on sway's seat and they take turns, so before every "
                "keystroke\n"
                "   sway hands wev that keyboard's keymap again, which wev compiles: both pay it.\n");
            MeasureOnSway(fs::canonical("/proc/self/exe").parent_path() / "qm_latency_floor_wlr", samples,
                          std::chrono::milliseconds(spacingMs));
            return 0;
        }
        if (part == "mutter") {
            std::printf(
                "\n== Latency of a lone byte on a headless GNOME (mutter --headless, virtual monitor "
                "%dx%d),\n"
                "   against a one-process floor\n",
                test::HeadlessMutter::kWidth, test::HeadlessMutter::kHeight);
            std::printf(
                "   As on X11, through GNOME's own remote-desktop interface over D-Bus "
                "(QUILLMOTION_DESKTOP=mutter),\n"
                "   to wev's line for the event (key or button pressed, first motion) read from its log,\n"
                "   woken by inotify. wev's window does not fill the screen: the pointer is put on it "
                "first.\n"
                "   The floor (qm_latency_floor_mutter) reads a line of its own and sends the same calls\n"
                "   through a session of its own, without waiting for their answers.\n");
            MeasureOnMutter(fs::canonical("/proc/self/exe").parent_path() / "qm_latency_floor_mutter",
                            samples, std::chrono::milliseconds(spacingMs));
            return 0;
        }
        std::printf("\n== Latency of a lone byte, against a one-process floor (Xvfb %dx%d, trayer)\n",
                    kScreenWidth, kScreenHeight);
        std::printf(
            "   From write() of one byte on the far end of a pseudo-terminal to the event taken off the\n"
            "   connection by a second X client (a full-screen window with the focus, blocked in poll()).\n"
            "   The program reads COM7:; the floor (qm_latency_floor) reads a line of its own on the same\n"
            "   display and does nothing but XTest and XFlush. They take turns byte by byte. Keystroke:\n"
            "   'a' to KeyPress; click: left single click code to ButtonPress; movement start: East at\n"
            "   MovementDelay 2 ms to the first MotionNotify (then Stop and a key to know it ended).\n"
            "   \"over 1 ms\" counts each subject's samples that took longer (program / floor).\n");
        std::printf("\n== Tracing off\n");
        MeasureAgainstFloor(floorProgram, false, samples, std::chrono::milliseconds(spacingMs), true);
        std::printf("\n== Tracing on (log.txt written beside the program)\n");
        MeasureAgainstFloor(floorProgram, true, samples, std::chrono::milliseconds(spacingMs), false);

        MeasureIdle();
        MeasureThroughput();

        std::printf(
            "\n== Movement timing and cost while moving (tracing off; East for max(2 s, 60 steps))\n");
        std::printf(
            "   Step times: MotionNotify events as the second client takes them off the connection;\n"
            "   the first step is left out. CPU and wake-ups of the program over the same period.\n");
        std::printf("  %8s %10s %12s %14s %16s %8s %12s %14s\n", "delay", "nominal/s", "achieved/s",
                    "median step", "p99 |step-delay|", "CPU", "wake-ups/s", "involuntary/s");
        for (const int delay : {2, 5, 10, 20, 50, 100}) {
            MeasureMovement(delay);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qm_bench_latency: %s\n", error.what());
        return 1;
    }
    return 0;
}
