#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace qm {

// What Connect opens: the port chosen in the list and the line settings as the window shows
// them, so that a port and settings can be tried before they are applied.
struct PortChoice {
    std::optional<std::string> portName;  // the selected row's text ("COM3:"); none: no row selected
    std::string settings;                 // "9600,m,8,1"
    std::int32_t handshaking = 0;         // the serial control's value
};

// The connection as the window and the tray show it.
struct SessionStatus {
    enum class Connection { NotConnected, Connected, Waiting };
    Connection connection = Connection::NotConnected;
    std::int16_t commPort = 0;  // the port connected to, or waited for
    std::int32_t baudRate = 0;  // the saved rate, which the tip has always named
    // Why the last Connect failed, as the device or the driver said it (and what to do about a
    // refused permission); empty when it did not fail that way.
    std::string openProblem;
};

// What the window asks of the connection's owner and shows of it. The program's session is the
// one; the window names only this, so the shell above it stays the only place that builds one.
class SessionControl {
public:
    virtual ~SessionControl() = default;

    // Connect: opens the chosen port unless one is open. A port that does not open is reported
    // in a message box owned by owner; one that opens with codes the handshaking swallows is
    // warned of, once a run.
    virtual void Connect(const PortChoice& choice, QWidget* owner) = 0;
    // Disconnect: closes the port, or ends the wait for a vanished device.
    virtual void Disconnect() = 0;
    // The program ends: the port is closed, the road shut down and the settings store released.
    // Runs once; later calls do nothing.
    virtual void End() = 0;

    virtual SessionStatus Status() const = 0;
    // The handshaking the code editors warn for: Xon/Xoff where a code must live with it (the
    // chosen handshaking, the applied one, or the port open now), else the chosen one.
    virtual std::int32_t HandshakingToWarnFor(std::int32_t chosen) const = 0;
    // Told after every change of Status() (not of openProblem alone).
    virtual void SetOnChanged(std::function<void()> changed) = 0;
};

}  // namespace qm
