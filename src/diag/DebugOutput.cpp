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
        std::fwrite(piece.data(), 1, piece.size(), stderr);
#endif
    }
};

}  // namespace

DebugOutput& SystemDebugOutput() {
    static StandardDebugOutput output;
    return output;
}

}  // namespace qm
