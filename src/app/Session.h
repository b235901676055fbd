#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ui/SessionControl.h"

namespace qm {

class Road;
class SerialControl;
class SettingsRecord;
class Timer;

// The connection's life, from Connect (or the connect at start-up) to the program's end: opening
// and closing the port, the device that vanishes and, while ReconnectAutomatically is 1, comes
// back, and the ending (the port closed, the road shut down, the settings store released).
//
// Everything happens on the UI thread. Connect may show message boxes, which let events run:
// the program may be told to end inside one, and End then runs there; whatever Connect does
// after the box is safe on an ended session.
class Session final : public SessionControl {
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
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Connect(const PortChoice& choice, QWidget* owner) override;
    // Connect at start-up: while ReconnectAutomatically is 1, a port whose device is not there
    // yet is waited for as a vanished one is, without a box nobody may be there to dismiss.
    void ConnectAtStartup(const PortChoice& choice, QWidget* owner);
    void Disconnect() override;
    void End() override;
    SessionStatus Status() const override;
    std::int32_t HandshakingToWarnFor(std::int32_t chosen) const override;
    void SetOnChanged(std::function<void()> changed) override { changed_ = std::move(changed); }

private:
    void Connect(const PortChoice& choice, QWidget* owner, bool waitIfAbsent);
    bool OpenPort(const PortChoice& choice);
    bool WaitsForTheDevice() const;
    void StartWaiting();
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
    bool deviceAbsent_ = false;  // the last open found no device behind the port
};

}  // namespace qm
