#include "support/TraceCapture.h"

#include <algorithm>

#include "diag/Trace.h"

namespace qm::test {

TraceCapture::TraceCapture() {
    modTrace::SetLogFile(LogPath());
    modTrace::SetDebugOutput(this);
    modTrace::TraceSwitch(true);
}

TraceCapture::~TraceCapture() {
    modTrace::TraceSwitch(false);
    modTrace::SetDebugOutput(nullptr);
}

std::vector<std::string> TraceCapture::Reports() const {
    std::vector<std::string> reports;
    const std::string text = ReadFile(LogPath());
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        const std::size_t sep = line.find(" : ");
        reports.push_back(sep == std::string::npos ? line : line.substr(sep + 3));
    }
    return reports;
}

int TraceCapture::Count(const std::string& text) const {
    int count = 0;
    for (const std::string& report : Reports()) {
        count += report.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

void TraceCapture::Clear() {
    modTrace::DeleteLogFile();
    pieces_.clear();
}

}  // namespace qm::test
