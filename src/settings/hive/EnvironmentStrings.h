#pragma once

#include <string>

namespace qm {

// ExpandEnvironmentStrings over the process environment: each %NAME% whose NAME is set is
// replaced by its value (names compare without regard to case when no exact match exists,
// as Windows' names do). A "%" that does not start a known name is kept and scanning goes
// on right after it, so "%UNSET%" stays as written, exactly as Windows does it.
std::string ExpandEnvironmentText(const std::string& source);

}  // namespace qm
