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
    if (settings.dataBits < 5) {
        throw RaisedError(comInvalidPropertyValue, source,
                          "Invalid property value: " + std::to_string(settings.dataBits) +
                              " data bits are not supported on this system");
    }
    return settings;
}

void CheckHandshaking(std::int32_t handshaking, const char* source) {
    if (handshaking != comNone && handshaking != comXOnXoff && handshaking != comRTS) {
        throw RaisedError(comInvalidPropertyValue, source,
                          "Invalid property value: handshaking " + std::to_string(handshaking));
    }
}

}  // namespace qm
