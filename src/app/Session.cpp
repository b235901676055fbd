#include "app/Session.h"

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"
#include "loop/Timer.h"
#include "ports/PortAPI.h"
#include "ports/SerialControl.h"
#include "ports/SerialErrors.h"
#include "ports/XonXoff.h"
#include "road/Road.h"
#include "settings/SettingsRecord.h"
#include "ui/common/Ansi.h"
#include "ui/common/MessageBoxService.h"

namespace qm {
namespace {

constexpr const char* kOpenPort = "frmSerial.OpenPort";
constexpr const char* kClosePort = "frmSerial.cmdClosePort_Click";
constexpr const char* kClosedByDevice = "frmSerial.MscSerial_OnClosedByDevice";
constexpr const char* kFormUnload = "frmSerial.Form_Unload";
constexpr const char* kReconnect = "Road.Reconnect";
constexpr std::int32_t kReconnectInterval = 1000;

}  // namespace

Session::Session(Parts parts) : parts_(std::move(parts)) {
    parts_.mscSerial->SetOnClosedByDevice(
        [this](const std::string& reason) { MscSerial_OnClosedByDevice(reason); });
    if (parts_.tmrReconnect != nullptr) {
        parts_.tmrReconnect->SetEnabled(false);
        parts_.tmrReconnect->SetInterval(kReconnectInterval);
        parts_.tmrReconnect->SetOnTick([this] { TryReconnect(); });
    }
}

Session::~Session() {
    parts_.mscSerial->SetOnClosedByDevice(nullptr);
    if (parts_.tmrReconnect != nullptr) {
        parts_.tmrReconnect->SetEnabled(false);
        parts_.tmrReconnect->SetOnTick(nullptr);
    }
}

void Session::Changed() const {
    if (changed_) {
        changed_();
    }
}

SessionStatus Session::Status() const {
    const SerialControl& serial = *parts_.mscSerial;
    SessionStatus status;
    if (serial.PortOpen()) {
        status.connection = SessionStatus::Connection::Connected;
    } else if (reconnecting_) {
        status.connection = SessionStatus::Connection::Waiting;
    }
    status.commPort = serial.CommPort();
    status.baudRate = parts_.settings->BaudRate();
    status.openProblem = openProblem_;
    return status;
}

std::int32_t Session::HandshakingToWarnFor(std::int32_t chosen) const {
    const SerialControl& serial = *parts_.mscSerial;
    if (chosen == comXOnXoff || parts_.settings->Handshaking() == "Xon/Xoff" ||
        (serial.PortOpen() && serial.Handshaking() == comXOnXoff)) {
        return comXOnXoff;
    }
    return chosen;
}

bool Session::OpenPort(const PortChoice& choice) {
    return Traced<ErrorReport::Full>(kOpenPort, false, [&] {
        SerialControl& serial = *parts_.mscSerial;
        if (!serial.PortOpen()) {
            if (!choice.portName) {
                throw RaisedError(91, "frmSerial", "Object variable or With block variable not set");
            }
            serial.SetCommPort(GetComPortNumberFromName(*choice.portName));
            try {
                serial.SetSettings(choice.settings);
            } catch (const RaisedError& error) {
                // The lists offer combinations the driver cannot honour: say which.
                openProblem_ = error.Description();
                throw;
            }
            serial.SetHandshaking(choice.handshaking);
            Trace(
                kOpenPort, TraceMessage,
                "Opening Port " + parts_.settings->PortName() + " - " + "with settings : " + choice.settings);
            try {
                serial.SetPortOpen(true);
            } catch (const RaisedError& error) {
                // The device itself refused: what it said (and what to do about a refused
                // permission) is worth the user's reading.
                if (error.Number() == comBadComm || error.Number() == comPortInvalid) {
                    openProblem_ = error.Description();
                }
                deviceAbsent_ = error.Number() == comPortInvalid;
                throw;
            }
        }
        return true;
    });
}

void Session::Connect(const PortChoice& choice, QWidget* owner) {
    Connect(choice, owner, false);
}

void Session::ConnectAtStartup(const PortChoice& choice, QWidget* owner) {
    Connect(choice, owner, true);
}

void Session::Connect(const PortChoice& choice, QWidget* owner, bool waitIfAbsent) {
    openProblem_.clear();
    deviceAbsent_ = false;
    if (!OpenPort(choice)) {
        if (waitIfAbsent && deviceAbsent_ && WaitsForTheDevice()) {
            StartWaiting();
            Changed();
            return;
        }
        const std::string problem = openProblem_.empty() ? std::string() : "\r\n\r\n" + openProblem_;
        MsgBox(owner, FromAnsi("Could not open specified port" + problem), MsgIcon::Exclamation);
        Changed();
        return;
    }
    Changed();
    WarnOfSwallowedCodes(owner);
}

void Session::WarnOfSwallowedCodes(QWidget* owner) {
    // Once a run: the user has been told, and may have a device that never sends those codes.
    const std::vector<XonXoffConflict> conflicts =
        XonXoffConflicts(*parts_.settings, parts_.mscSerial->Handshaking());
    if (conflicts.empty() || xonXoffWarned_) {
        return;
    }
    xonXoffWarned_ = true;
    std::string text =
        "With Xon/Xoff handshaking the line keeps codes 17 (XON) and 19 (XOFF) for itself, so "
        "these actions can never happen:";
    for (const XonXoffConflict& conflict : conflicts) {
        const std::string line = std::string(conflict.action) + " (" + conflict.setting + ") is code " +
                                 std::to_string(conflict.code) + " (" + FlowControlCodeName(conflict.code) +
                                 ")";
        Trace(kOpenPort, TraceMessage, "Swallowed by Xon/Xoff handshaking: " + line);
        text += "\r\n" + line;
    }
    text += "\r\n\r\nChoose other codes on the Mouse tab, or other handshaking on the General tab.";
    MsgBox(owner, FromAnsi(text), MsgIcon::Exclamation);
}

void Session::Closed() {
    StopReconnecting();
    parts_.road->PortClosed();
}

void Session::Disconnect() {
    SerialControl& serial = *parts_.mscSerial;
    if (!serial.PortOpen() && reconnecting_) {
        // Waiting for a vanished device: Disconnect ends the wait.
        Closed();
    } else if (serial.PortOpen()) {
        // A device that has gone may refuse the close; the status then follows what the control
        // says rather than what was asked, and the movement stops either way.
        try {
            serial.SetPortOpen(false);
        } catch (...) {
            Trace(kClosePort, TraceError, TrappedErrorReport());
        }
        Closed();
    }
    Changed();
}

void Session::MscSerial_OnClosedByDevice(const std::string& reason) {
    // Nothing more will arrive: the movement stops and the status says so at once, and the user
    // can connect again when the device is back.
    Trace(kClosedByDevice, TraceMessage, "Port closed by the device: " + reason);
    Closed();
    if (WaitsForTheDevice()) {
        StartWaiting();
    }
    Changed();
}

bool Session::WaitsForTheDevice() const {
    return !ended_ && parts_.tmrReconnect != nullptr && parts_.settings->ReconnectAutomatically() == 1;
}

void Session::StartWaiting() {
    Trace(kReconnect, TraceMessage, "Waiting for the port to come back");
    reconnecting_ = true;
    parts_.tmrReconnect->SetEnabled(true);
}

void Session::StopReconnecting() {
    reconnecting_ = false;
    if (parts_.tmrReconnect != nullptr) {
        parts_.tmrReconnect->SetEnabled(false);
    }
}

void Session::TryReconnect() {
    SerialControl& serial = *parts_.mscSerial;
    if (parts_.settings->ReconnectAutomatically() != 1) {
        Trace(kReconnect, TraceMessage, "No longer waiting: reconnecting is off");
        StopReconnecting();
        Changed();
        return;
    }
    if (!serial.PortOpen()) {
        try {
            // The control keeps the port and line settings it was opened with.
            serial.SetPortOpen(true);
        } catch (...) {
            // Still gone: no message, the next tick tries again.
            return;
        }
    }
    if (serial.PortOpen()) {
        Trace(kReconnect, TraceMessage, "Port open again");
        StopReconnecting();
        Changed();
    }
}

void Session::End() {
    if (ended_) {
        return;
    }
    ended_ = true;
    StopReconnecting();
    bool wasOpen = false;
    try {
        if (parts_.mscSerial->PortOpen()) {
            wasOpen = true;
            parts_.mscSerial->SetPortOpen(false);
        }
    } catch (...) {
        // A port that cannot be closed must not keep the program from ending.
        Trace(kFormUnload, TraceError, TrappedErrorDescription());
    }
    // This may run inside a character's pending-events call: the road is told to stop and to
    // let go of what it holds, and stays whole until the program's event loop has returned.
    if (wasOpen) {
        parts_.road->PortClosed();
    }
    parts_.road->Shutdown();
    if (parts_.Terminate) {
        parts_.Terminate();
    }
}

}  // namespace qm
