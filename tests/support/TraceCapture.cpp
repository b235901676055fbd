#include "support/TraceCapture.h"

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
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        const std::size_t sep = line.find(" : ");
        reports.push_back(sep == std::string::npos ? line : line.substr(sep + 3));
        start = end + 2;
    }
    return reports;
}

bool TraceCapture::Contains(const std::string& text) const {
    for (const std::string& report : Reports()) {
        if (report.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void TraceCapture::Clear() {
    modTrace::DeleteLogFile();
    pieces_.clear();
}

}  // namespace qm::test
