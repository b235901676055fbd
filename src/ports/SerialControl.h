#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qm {

// Communication event codes delivered through OnComm.
inline constexpr std::int16_t comEvSend = 1;
inline constexpr std::int16_t comEvReceive = 2;
inline constexpr std::int16_t comEvCTS = 3;
inline constexpr std::int16_t comEvDSR = 4;
inline constexpr std::int16_t comEvCD = 5;
inline constexpr std::int16_t comEvRing = 6;
inline constexpr std::int16_t comEvEOF = 7;
inline constexpr std::int16_t comEventBreak = 1001;
inline constexpr std::int16_t comEventCTSTO = 1002;
inline constexpr std::int16_t comEventDSRTO = 1003;
inline constexpr std::int16_t comEventFrame = 1004;
inline constexpr std::int16_t comEventOverrun = 1006;
inline constexpr std::int16_t comEventCDTO = 1007;
inline constexpr std::int16_t comEventRxOver = 1008;
inline constexpr std::int16_t comEventRxParity = 1009;
inline constexpr std::int16_t comEventTxFull = 1010;
inline constexpr std::int16_t comEventDCB = 1011;

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
