#include "ports/SerialChecks.h"

#include "diag/RaisedError.h"
#include "ports/SerialControl.h"
#include "ports/SerialErrors.h"

namespace qm {

void CheckCommPort(std::int16_t port, bool open, const char* source) {
    if (open) {
        throw RaisedError(comPortOpen, source, "Operation not valid while the port is opened");
    }
    if (port < 1) {
        throw RaisedError(comPortInvalid, source, "Invalid Port Number");
    }
}

LineSettings CheckedLineSettings(const std::string& text, const char* source) {
    const LineSettings settings = LineSettings::Parse(text);
    if (const auto refusal = DriverRefusal(settings)) {
        throw RaisedError(comInvalidPropertyValue, source, *refusal);
    }
    return settings;
}

std::optional<std::string> DriverRefusal(const LineSettings& settings) {
    const std::string dataBits = std::to_string(settings.dataBits) + " data bits";
    std::string unsupported;
    if (settings.dataBits < 5) {
        unsupported = dataBits;
    } else if (settings.stopBits == StopBits::OneAndHalf && settings.dataBits != 5) {
        unsupported = "1.5 stop bits with " + dataBits;
    } else if (settings.stopBits == StopBits::Two && settings.dataBits == 5) {
        unsupported = "2 stop bits with " + dataBits;
    } else {
        return std::nullopt;
    }
    return "The serial driver does not support " + unsupported + ".";
}

void CheckHandshaking(std::int32_t handshaking, const char* source) {
    if (handshaking != comNone && handshaking != comXOnXoff && handshaking != comRTS) {
        throw RaisedError(comInvalidPropertyValue, source,
                          "Invalid property value: handshaking " + std::to_string(handshaking));
    }
}

}  // namespace qm
