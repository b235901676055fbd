#include "diag/Trace.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <cstdio>
#include <ctime>
#include <optional>

#include "diag/DebugOutput.h"
#include "diag/ProgramFolder.h"

namespace qm {
namespace {

constexpr std::size_t kDebugPieceLength = 80;

struct TraceState {
    bool on = false;
    std::optional<std::string> logFile;
    DebugOutput* debug = nullptr;
};

TraceState& State() {
    static TraceState state;
    return state;
}

// "dd/mm/yyyy hh.nn.ss" in local time.
std::string TimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char buffer[32];
    std::size_t length = std::strftime(buffer, sizeof buffer, "%d/%m/%Y %H.%M.%S", &local);
    return std::string(buffer, length);
}

#ifndef _WIN32
// The log may hold every character typed through the device, passwords included: it is made
// readable by its owner alone, and a symbolic link, FIFO or device put in its place is never
// written through.
bool AppendLine(const std::string& path, const std::string& line) {
    const int fd = ::open(
        path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool written = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    for (std::size_t done = 0; written && done < line.size();) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        written = n > 0;
        done += written ? static_cast<std::size_t>(n) : 0;
    }
    if (::close(fd) != 0) {
        written = false;
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

}  // namespace

void Trace(std::string_view methodName, TraceLevel level, std::string_view message) {
    TraceState& state = State();
    if (!state.on) {
        return;
    }
    try {
        const std::string report = modTrace::FormatReport(methodName, level, message);
        if (!AppendLine(modTrace::LogFile(), TimeStamp() + " : " + report + "\r\n")) {
            return;  // a report that did not reach the file does not reach the debugger either
        }
        DebugOutput& debug = state.debug != nullptr ? *state.debug : SystemDebugOutput();
        std::string_view rest = report;
        while (rest.size() > kDebugPieceLength) {
            debug.Write(rest.substr(0, kDebugPieceLength));
            rest.remove_prefix(kDebugPieceLength);
        }
        debug.Write(rest);
        debug.Write("\r\n");
    } catch (...) {
        // Tracing never disturbs its caller.
    }
}

namespace modTrace {

void TraceSwitch(bool on) {
    State().on = on;
}

void SetLogFile(std::string path) {
    State().logFile = std::move(path);
}

const std::string& LogFile() {
    TraceState& state = State();
    if (!state.logFile) {
        state.logFile = ProgramFolderFile("log.txt");
    }
    return *state.logFile;
}

void DeleteLogFile() {
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
