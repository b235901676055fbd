#include "diag/DebugOutput.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qm {
namespace {

class StandardDebugOutput final : public DebugOutput {
public:
    void Write(std::string_view piece) override {
#ifdef _WIN32
        std::string text(piece);
        OutputDebugStringA(text.c_str());
#else
        // Standard error is unbuffered: the pieces of a report, which always ends with its
        // line break, go out together in one write.
        pending_.append(piece);
        if (!pending_.empty() && pending_.back() == '\n') {
            std::fwrite(pending_.data(), 1, pending_.size(), stderr);
            pending_.clear();
        }
#endif
    }

private:
#ifndef _WIN32
    std::string pending_;
#endif
};

}  // namespace

DebugOutput& SystemDebugOutput() {
    static StandardDebugOutput output;
    return output;
}

}  // namespace qm
