#pragma once

#include <string_view>

namespace qm {

// The debugger channel: one call per piece, exactly as the trace hands them over.
class DebugOutput {
public:
    virtual ~DebugOutput() = default;
    virtual void Write(std::string_view piece) = 0;
};

// Standard error on Linux, where the pieces of one report go out in one write; OutputDebugStringA
// on Windows.
DebugOutput& SystemDebugOutput();

}  // namespace qm
