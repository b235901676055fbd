#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qm {

// The communication event the program acts on: characters received. A control may deliver
// others (send, line changes, errors); they are ignored, so they have no names here.
inline constexpr std::int16_t comEvReceive = 2;

// Handshaking values.
inline constexpr std::int32_t comNone = 0;
inline constexpr std::int32_t comXOnXoff = 1;
inline constexpr std::int32_t comRTS = 2;

// The serial communications control: the program's only access to the serial line.
// Fixed configuration: an event per arriving character, Input returns all that is waiting,
// RTS raised while open, text input. Text is Windows-1252 bytes.
//
// Property writes that cannot be honoured, and a failed open, throw RaisedError.
class SerialControl {
public:
    virtual ~SerialControl() = default;

    virtual void SetCommPort(std::int16_t port) = 0;
    virtual std::int16_t CommPort() const = 0;
    // "2400,n,8,1": baud, parity letter (n e o m s), data bits (4-8), stop bits ("1", "1.5", "2").
    virtual void SetSettings(const std::string& settings) = 0;
    virtual std::string Settings() const = 0;
    virtual void SetHandshaking(std::int32_t handshaking) = 0;
    virtual std::int32_t Handshaking() const = 0;

    virtual void SetPortOpen(bool open) = 0;
    virtual bool PortOpen() const = 0;

    // The event being handled, and the waiting input (read and cleared).
    virtual std::int16_t CommEvent() const = 0;
    virtual std::string Input() = 0;

    // Raised on the UI thread for each communication event while the port is open.
    virtual void SetOnComm(std::function<void()> onComm) = 0;

    // Raised on the UI thread after the control closed the port by itself because the device
    // vanished or could no longer be read; PortOpen reads false by then. A control whose line
    // cannot fail that way never raises it.
    // By value, because the controls that can raise it keep the callback (moved in).
    // NOLINTNEXTLINE(performance-unnecessary-value-param)
    virtual void SetOnClosedByDevice(std::function<void(const std::string& reason)> /*onClosed*/) {}
};

}  // namespace qm
