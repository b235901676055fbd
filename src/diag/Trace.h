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

// Whether a report tells of something gone wrong, for those who did not ask for the trace: only
// problems reach the debugger then. The form above takes an error report for a problem and any
// other for a detail; a caller that knows its error report to be expected (a value that is simply
// not there, which the reader's caller has a default for) says so.
enum class TraceSeverity { Detail, Problem };
void Trace(std::string_view methodName, TraceLevel level, std::string_view message, TraceSeverity severity);

namespace modTrace {
// The switch's two accessors: it is written during start-up and read by Trace alone.
void TraceSwitch(bool on);
// Start-up turns the switch on before the settings say whether tracing is wanted. The log gets
// every report at once; the debugger's copies wait for the next TraceSwitch, which passes them all
// on when tracing is wanted and only the problems when it is not. Standard error is the debugger
// on POSIX systems, and a start that traces its settings load there to a user who turned tracing
// off buries any real problem in some hundreds of lines.
void TraceSwitchForStartUp();

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
