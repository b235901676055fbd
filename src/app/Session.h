#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace qm {

class Road;
class SerialControl;
class SettingsRecord;
class Timer;

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
    // Why the last Connect failed, as the device said it (and what to do about a refused
    // permission); empty when it did not fail that way.
    std::string openProblem;
};

// The connection's life, from Connect (or the connect at start-up) to the program's end: opening
// and closing the port, the device that vanishes and, while ReconnectAutomatically is 1, comes
// back, and the ending (the port closed, the road shut down, the settings store released).
//
// Everything happens on the UI thread. Connect may show message boxes, which let events run:
// the program may be told to end inside one, and End then runs there; whatever Connect does
// after the box is safe on an ended session.
class Session {
public:
    struct Parts {
        const SettingsRecord* settings = nullptr;  // the applied settings
        SerialControl* mscSerial = nullptr;
        Road* road = nullptr;
        // Paces the attempts to open a vanished device's port again; nullptr: no attempts.
        Timer* tmrReconnect = nullptr;
        std::function<void()> Terminate;  // releases the settings store at the end
    };

    // Every part must outlive the session.
    explicit Session(Parts parts);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connect: opens the chosen port unless one is open. A port that does not open is reported
    // in a message box owned by owner; one that opens with codes the handshaking swallows is
    // warned of, once a run.
    void Connect(const PortChoice& choice, QWidget* owner);
    // Disconnect: closes the port, or ends the wait for a vanished device.
    void Disconnect();
    // The program ends: the port is closed, the road shut down and the settings store released.
    // Runs once; later calls do nothing.
    void End();

    SessionStatus Status() const;
    // The handshaking the code editors warn for: Xon/Xoff where a code must live with it (the
    // chosen handshaking, the applied one, or the port open now), else the chosen one.
    std::int32_t HandshakingToWarnFor(std::int32_t chosen) const;
    // Told after every change of Status() (not of openProblem alone).
    void SetOnChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    bool OpenPort(const PortChoice& choice);
    void WarnOfSwallowedCodes(QWidget* owner);
    void MscSerial_OnClosedByDevice(const std::string& reason);
    // The port is closed: no more waiting, and the road lets go of what the device held.
    void Closed();
    void StopReconnecting();
    void TryReconnect();
    void Changed() const;

    Parts parts_;
    std::function<void()> changed_;
    bool reconnecting_ = false;
    bool ended_ = false;
    bool xonXoffWarned_ = false;
    std::string openProblem_;
};

}  // namespace qm
