#pragma once

#include <string>
#include <vector>

#include "diag/DebugOutput.h"
#include "support/TempDir.h"

namespace qm::test {

// Turns tracing on into a log file of its own for the life of a test, and collects the
// debugger pieces. Restores the switch (off) and the channels afterwards.
class TraceCapture : public DebugOutput {
public:
    TraceCapture();
    ~TraceCapture() override;

    void Write(std::string_view piece) override { pieces_.emplace_back(piece); }

    const std::vector<std::string>& Pieces() const { return pieces_; }
    std::string LogPath() const { return dir_.File("log.txt"); }
    // The log's lines without their time stamps ("method:level: message").
    std::vector<std::string> Reports() const;
    // True when some report contains the text; how many do.
    bool Contains(const std::string& text) const { return Count(text) > 0; }
    int Count(const std::string& text) const;
    void Clear();

private:
    TempDir dir_;
    std::vector<std::string> pieces_;
};

}  // namespace qm::test
