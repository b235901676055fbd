#include "diag/Trace.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include "diag/Cp1252.h"
#include "diag/DebugOutput.h"
#include "diag/LogLocation.h"
#include "diag/ProgramFolder.h"

namespace qm {
namespace {

constexpr std::size_t kDebugPieceLength = 80;
// A start-up that never hears from its settings traces on: after this many reports, those held
// for the debugger go out and the rest as they come. A settings load makes some hundreds.
constexpr std::size_t kMostHeld = 20000;

struct HeldReport {
    std::string report;
    bool problem = false;
};

struct TraceState {
    bool on = false;
    // The debugger's reports while start-up waits for the settings (see TraceSwitchForStartUp).
    std::optional<std::vector<HeldReport>> held;
    std::optional<std::string> logFile;
    std::string fallback;
    DebugOutput* debug = nullptr;
#ifndef _WIN32
    // The log stays open between reports; it is opened again when the path no longer leads to
    // the file held (removed, replaced, or another path set).
    int fd = -1;
    std::string openPath;
    dev_t device = 0;
    ino_t inode = 0;
    std::time_t pathChecked = 0;
#endif
};

TraceState& State() {
    static TraceState state;
    return state;
}

// "dd/mm/yyyy hh.nn.ss" in local time. A busy line traces thousands of reports a second: the
// text is made once per second.
std::string TimeStamp() {
    static std::time_t last = -1;
    static std::string text;
    std::time_t now = std::time(nullptr);
    if (now == last) {
        return text;
    }
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char buffer[32];
    std::size_t length = std::strftime(buffer, sizeof buffer, "%d/%m/%Y %H.%M.%S", &local);
    text.assign(buffer, length);
    last = now;
    return text;
}

#ifndef _WIN32
void CloseLog(TraceState& state) {
    if (state.fd >= 0) {
        ::close(state.fd);
        state.fd = -1;
    }
}

// Whether the open file still has a name. Only the link count is asked for: a question about
// its time stamps would make the file system note the time of every following write exactly,
// which costs more than the write.
bool Named(int fd) {
#ifdef STATX_NLINK
    struct statx info {};
    return ::statx(fd, "", AT_EMPTY_PATH, STATX_NLINK, &info) == 0 && info.stx_nlink > 0;
#else
    struct stat info {};
    return ::fstat(fd, &info) == 0 && info.st_nlink > 0;
#endif
}

// The log may hold every character typed through the device, passwords included: it is made
// readable by its owner alone, and a symbolic link, FIFO or device put in its place is never
// written through. Each line goes to the file with one write of its own, so a reader or a
// crash sees whole lines. The file is kept open: a file removed, or replaced by another, has no
// name left, which the open file itself tells cheaply before each line; that the path leads
// elsewhere (the file renamed away, a link put there) is looked up once a second, since a walk
// along a long path costs more than the line. Either way the next line opens the path anew.
// A file in a folder others may write could be theirs (a planted log.txt made for anyone to
// write), or a hard link to a file of theirs: the trace, typed characters included, would go to
// them. Only a regular file the user owns under this one name is written.
bool OwnFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
}

bool AppendLine(const std::string& path, const std::string& line);

// The log cannot be kept where it was meant to be: it moves to the fallback for the rest of the
// run, which starts by saying why.
bool MoveToFallback(const std::string& path, const std::string& why, const std::string& line) {
    TraceState& state = State();
    // A copy: path may be the very string about to change.
    const std::string refused = path;  // NOLINT(performance-unnecessary-copy-initialization)
    if (state.fallback.empty() || state.fallback == refused) {
        return false;
    }
    state.logFile = state.fallback;
    PrepareLogFolder(state.fallback);
    const std::string notice = modTrace::FormatReport(
        "modTrace.Trace", TraceMessage,
        "Not writing the log to " + Cp1252FromUtf8(refused) + " (" + why + "); writing it here instead");
    return AppendLine(state.fallback, TimeStamp() + " : " + notice + "\r\n") &&
           AppendLine(state.fallback, line);
}

bool AppendLine(const std::string& path, const std::string& line) {
    TraceState& state = State();
    struct stat info {};
    const std::time_t now = std::time(nullptr);
    if (state.fd >= 0 &&
        (state.openPath != path || !Named(state.fd) ||
         (now != state.pathChecked && (::lstat(path.c_str(), &info) != 0 || info.st_dev != state.device ||
                                       info.st_ino != state.inode)))) {
        CloseLog(state);
    }
    state.pathChecked = now;
    if (state.fd < 0) {
        const int fd =
            ::open(path.c_str(),
                   O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd < 0) {
            return MoveToFallback(path, std::strerror(errno), line);
        }
        if (::fstat(fd, &info) != 0 || !OwnFile(info)) {
            ::close(fd);
            return MoveToFallback(path, "not a file of this user's own with no other name", line);
        }
        state.fd = fd;
        state.openPath = path;
        state.device = info.st_dev;
        state.inode = info.st_ino;
    }
    bool written = true;
    std::size_t done = 0;
    while (written && done < line.size()) {
        const ssize_t n = ::write(state.fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        written = n > 0;
        done += written ? static_cast<std::size_t>(n) : 0;
    }
    if (!written) {
        // A line cut short (the disk full, a size limit) is taken back, or the next line would be
        // glued to its torn end.
        const off_t end = ::lseek(state.fd, 0, SEEK_CUR);
        if (done > 0 && end >= static_cast<off_t>(done)) {
            [[maybe_unused]] const int cut = ::ftruncate(state.fd, end - static_cast<off_t>(done));
        }
        CloseLog(state);  // the next report tries afresh
    }
    return written;
}
#else
bool AppendLine(const std::string& path, const std::string& line) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    if (std::fclose(file) != 0) {
        written = false;
    }
    return written;
}
#endif

void ToDebugger(std::string_view report) {
    TraceState& state = State();
    DebugOutput& debug = state.debug != nullptr ? *state.debug : SystemDebugOutput();
    while (report.size() > kDebugPieceLength) {
        debug.Write(report.substr(0, kDebugPieceLength));
        report.remove_prefix(kDebugPieceLength);
    }
    debug.Write(report);
    debug.Write("\r\n");
}

// The held reports go to the debugger, all of them or only the problems, and nothing is held
// from now on.
void ReleaseHeld(bool all) {
    TraceState& state = State();
    if (!state.held) {
        return;
    }
    const std::vector<HeldReport> held = std::move(*state.held);
    state.held.reset();
    for (const HeldReport& report : held) {
        if (all || report.problem) {
            ToDebugger(report.report);
        }
    }
}

}  // namespace

void Trace(std::string_view methodName, TraceLevel level, std::string_view message) {
    Trace(methodName, level, message, level == TraceError ? TraceSeverity::Problem : TraceSeverity::Detail);
}

void Trace(std::string_view methodName, TraceLevel level, std::string_view message, TraceSeverity severity) {
    TraceState& state = State();
    if (!state.on) {
        return;
    }
    try {
        std::string report = modTrace::FormatReport(methodName, level, message);
        if (!AppendLine(modTrace::LogFile(), TimeStamp() + " : " + report + "\r\n")) {
            return;  // a report that did not reach the file does not reach the debugger either
        }
        if (state.held && state.held->size() >= kMostHeld) {
            ReleaseHeld(true);
        }
        if (state.held) {
            state.held->push_back({std::move(report), severity == TraceSeverity::Problem});
        } else {
            ToDebugger(report);
        }
    } catch (...) {
        // Tracing never disturbs its caller.
    }
}

namespace modTrace {

void TraceSwitch(bool on) {
    State().on = on;
    try {
        ReleaseHeld(on);
    } catch (...) {
        // Tracing never disturbs its caller.
    }
#ifndef _WIN32
    if (!on) {
        CloseLog(State());  // nothing is held while nothing is traced
    }
#endif
}

void TraceSwitchForStartUp() {
    State().on = true;
    if (!State().held) {
        State().held.emplace();
    }
}

void SetLogFile(std::string path, std::string fallback) {
    State().logFile = std::move(path);
    State().fallback = std::move(fallback);
}

const std::string& LogFile() {
    TraceState& state = State();
    if (!state.logFile) {
        state.logFile = ProgramFolderFile("log.txt");
    }
    return *state.logFile;
}

void DeleteLogFile() {
#ifndef _WIN32
    CloseLog(State());
#endif
    std::remove(LogFile().c_str());
}

void SetDebugOutput(DebugOutput* output) {
    State().debug = output;
}

std::string_view LevelText(TraceLevel level) {
    switch (level) {
        case TraceLevel::TraceEntry:
            return "Method Entry";
        case TraceLevel::TraceExit:
            return "Method Exit";
        case TraceLevel::TraceError:
            return "#Method Exit Error#";
        default:
            return "";
    }
}

std::string FormatReport(std::string_view methodName, TraceLevel level, std::string_view message) {
    std::string report;
    std::string_view levelText = LevelText(level);
    report.reserve(methodName.size() + levelText.size() + message.size() + 3);
    report.append(methodName).append(":").append(levelText).append(": ").append(message);
    return report;
}

}  // namespace modTrace
}  // namespace qm
