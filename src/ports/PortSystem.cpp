#include "ports/PortSystem.h"

#include <limits>

namespace qm {
namespace {

// A text occupies its characters and a NUL; an empty one is a null pointer and takes nothing.
std::uint64_t TextSize(const std::string& text) {
    return text.empty() ? 0 : text.size() + 1;
}

}  // namespace

DWORD EnumPortsBufferSize(const std::vector<PORT_INFO_2>& ports) {
    std::uint64_t size = 0;
    for (const PORT_INFO_2& port : ports) {
        size += kPortInfo2Size + TextSize(port.pPortName) + TextSize(port.pMonitorName) +
                TextSize(port.pDescription);
    }
    // A list too large to describe in 32 bits can never fit a buffer; ask for the most there is.
    return size > std::numeric_limits<DWORD>::max() ? std::numeric_limits<DWORD>::max()
                                                    : static_cast<DWORD>(size);
}

bool EnumPortsFromList(const std::vector<PORT_INFO_2>& ports, PORT_INFO_2* pPorts, DWORD cbBuf,
                       DWORD* pcbNeeded, DWORD* pcReturned) {
    const DWORD needed = EnumPortsBufferSize(ports);
    if (pcbNeeded != nullptr) {
        *pcbNeeded = needed;
    }
    if (pcReturned != nullptr) {
        *pcReturned = 0;
    }
    if (ports.empty()) {
        return true;
    }
    if (pPorts == nullptr || cbBuf < needed || pcReturned == nullptr) {
        return false;
    }
    for (std::size_t i = 0; i < ports.size(); ++i) {
        pPorts[i] = ports[i];
    }
    *pcReturned = static_cast<DWORD>(ports.size());
    return true;
}

}  // namespace qm
