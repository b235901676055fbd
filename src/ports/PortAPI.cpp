#include "ports/PortAPI.h"

#include <limits>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"

namespace qm {
namespace {

constexpr const char* kGetAvailablePorts = "modPortAPI.GetAvailablePorts";
constexpr const char* kCOMAvailable = "modPortAPI.COMAvailable";
constexpr const char* kGetComPortNumberFromName = "frmSerial.GetComPortNumberFromName";

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
        std::vector<std::string> names;
        // A system that will not list its ports has none to offer: not an error.
        if (system_.ListPorts(names)) {
            for (const std::string& name : names) {
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
        available = system_.OpensNow(portName);
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
