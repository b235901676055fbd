#include "ports/PortAPI.h"

#include <algorithm>
#include <limits>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"

namespace qm {
namespace {

constexpr const char* kGetAvailablePorts = "modPortAPI.GetAvailablePorts";
constexpr const char* kCOMAvailable = "modPortAPI.COMAvailable";
constexpr const char* kGetComPortNumberFromName = "frmSerial.GetComPortNumberFromName";

constexpr DWORD kLevel = 2;

// Records to allocate for a needed size in bytes: the quotient by the record size, rounded
// half to even, plus one. That is always at least the needed size.
std::size_t RecordsFor(DWORD needed) {
    DWORD records = needed / kPortInfo2Size;
    const DWORD rest = needed % kPortInfo2Size;
    if (rest * 2 > kPortInfo2Size || (rest * 2 == kPortInfo2Size && records % 2 == 1)) {
        ++records;
    }
    return static_cast<std::size_t>(records) + 1;
}

bool IsComPortName(const std::string& name) {
    const std::string prefix = "COM";
    if (name.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = name[i];
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::int16_t modPortAPI::GetAvailablePorts(std::vector<PortInfo>& ports) {
    Trace(kGetAvailablePorts, TraceEntry, "");
    std::int16_t count = 0;
    std::vector<PortInfo> included;
    try {
        DWORD needed = 0;
        DWORD returned = 0;
        // The first call only asks for the size; its own result does not matter.
        system_.EnumPortsA({}, kLevel, nullptr, 0, &needed, &returned);
        if (needed != 0) {
            std::vector<PORT_INFO_2> buffer(RecordsFor(needed));
            returned = 0;
            if (system_.EnumPortsA({}, kLevel, buffer.data(), needed, &needed, &returned)) {
                // Never trust a count beyond the records we gave room for.
                const std::size_t records = std::min<std::size_t>(returned, buffer.size());
                for (std::size_t i = 0; i < records; ++i) {
                    const std::string name = buffer[i].pPortName;
                    Trace(kGetAvailablePorts, TraceMessage, "Found port - " + name);
                    if (!IsComPortName(name)) {
                        Trace(kGetAvailablePorts, TraceMessage, "NOT Including port - " + name);
                        continue;
                    }
                    if (count == std::numeric_limits<std::int16_t>::max()) {
                        err::RaiseOverflow();
                    }
                    PortInfo port;
                    port.Name = name;
                    port.InUse = settings_.TestPorts() == 1 ? !COMAvailable(name) : false;
                    included.push_back(port);
                    ++count;
                    Trace(kGetAvailablePorts, TraceMessage,
                          "Including port - " + name + " : InUse = " + (port.InUse ? "True" : "False"));
                }
            }
        }
        ports = std::move(included);
    } catch (...) {
        Trace(kGetAvailablePorts, TraceError, CurrentError().description);
        ports.clear();
        return 0;
    }
    Trace(kGetAvailablePorts, TraceExit, "");
    return count;
}

bool modPortAPI::COMAvailable(const std::string& portName) {
    Trace(kCOMAvailable, TraceEntry, "");
    bool available = false;
    try {
        Trace(kCOMAvailable, TraceMessage, "Trying to open " + portName + " for read access");
        const SECURITY_ATTRIBUTES security{};
        const HANDLE handle = system_.CreateFileA(portName, 0, FILE_SHARE_READ, &security, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, 0);
        if (handle != INVALID_HANDLE_VALUE) {
            system_.CloseHandle(handle);
            available = true;
        }
    } catch (...) {
        Trace(kCOMAvailable, TraceError, CurrentError().description);
        return false;
    }
    Trace(kCOMAvailable, TraceExit, "");
    return available;
}

std::int16_t GetComPortNumberFromName(const std::string& portName) {
    Trace(kGetComPortNumberFromName, TraceEntry, "");
    std::int16_t number = 0;
    try {
        bool anyDigit = false;
        std::int32_t value = 0;
        for (const char c : portName) {
            if (c < '0' || c > '9') {
                continue;
            }
            anyDigit = true;
            value = value * 10 + (c - '0');
            if (value > std::numeric_limits<std::int16_t>::max()) {
                err::RaiseOverflow();
            }
        }
        if (!anyDigit) {
            err::RaiseTypeMismatch();
        }
        number = static_cast<std::int16_t>(value);
    } catch (...) {
        Trace(kGetComPortNumberFromName, TraceError, CurrentError().description);
        return 0;
    }
    Trace(kGetComPortNumberFromName, TraceExit, "");
    return number;
}

}  // namespace qm
