#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

class DebugOutput;

// Kinds of report; the numbers are part of the stored meaning.
enum class TraceLevel : std::int32_t {
    TraceEntry = 1,
    TraceExit = 2,
    TraceError = 3,
    TraceMessage = 4,
};

inline constexpr TraceLevel TraceEntry = TraceLevel::TraceEntry;
inline constexpr TraceLevel TraceExit = TraceLevel::TraceExit;
inline constexpr TraceLevel TraceError = TraceLevel::TraceError;
inline constexpr TraceLevel TraceMessage = TraceLevel::TraceMessage;

// The program's one diagnostic channel. All text is in the ANSI code page (Windows-1252),
// like every other text inside the core.
//
// When the switch is on, each report becomes one time-stamped line appended to the log file
// (written through at once; other programs may read, delete or replace the file between
// reports, and the next report then starts a new one) and
// the same report, without the stamp, goes to the debugger in pieces of at most 80 characters
// followed by "\r\n". Any failure is silent: tracing must never disturb the caller.
void Trace(std::string_view methodName, TraceLevel level, std::string_view message);

namespace modTrace {
// The switch's only accessor: it is written during start-up and read by Trace alone.
void TraceSwitch(bool on);

// Where the log goes; the program's folder + "log.txt" unless set otherwise (tests do).
// On POSIX systems a path that cannot be opened, or that leads to anything but a regular file of
// the user's own with no other name, hands the log to `fallback` (when given) for the rest of
// the run, with a first line that says so.
void SetLogFile(std::string path, std::string fallback = {});
const std::string& LogFile();
// Removes the log file, ignoring every error (start-up does this before the first report).
void DeleteLogFile();
// Where the debugger pieces go; nullptr restores the system channel.
void SetDebugOutput(DebugOutput* output);

// The level text that each line carries.
std::string_view LevelText(TraceLevel level);
// "method:level: message", the report without its time stamp.
std::string FormatReport(std::string_view methodName, TraceLevel level, std::string_view message);
}  // namespace modTrace

}  // namespace qm
