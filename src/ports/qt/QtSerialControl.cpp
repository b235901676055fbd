#include "ports/qt/QtSerialControl.h"

#include <QMetaObject>
#include <QScopedValueRollback>

#include "diag/Cp1252.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "ports/PermissionAdvice.h"
#include "ports/SerialChecks.h"
#include "ports/SerialErrors.h"
#include "ports/linux/DeviceLocks.h"
#include "ports/qt/HangupWatcher.h"

namespace qm {

namespace {

constexpr const char* kSource = "QtSerialControl";

// What the control takes from the line before the program has worked through it. A device (or
// anything else on the line) can send faster than input is typed: the rest waits in the
// line, where flow control and the sender's own buffers hold it, not in this program's memory,
// and nothing is left here to be typed once the port has closed. One receive event's input is
// at most this much; at 115200 baud it is about a third of a second of bytes.
constexpr qint64 kReadBufferSize = 4096;
constexpr const char* kHungUp = "the device hung up";

[[noreturn]] void Raise(std::int32_t number, const std::string& description) {
    throw RaisedError(number, kSource, description);
}

std::string ComName(std::int16_t port) {
    return "COM" + std::to_string(port) + ":";
}

std::string Ansi(const QString& text) {
    return Cp1252FromUtf8(text.toUtf8().toStdString());
}

QSerialPort::Parity QtParity(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Mark:
            return QSerialPort::MarkParity;
        case Parity::Space:
            return QSerialPort::SpaceParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

// Terminal settings know one or two stop bits; the UART turns "two" into 1.5 with 5-bit
// characters, the only length 1.5 is valid with.
QSerialPort::StopBits QtStopBits(StopBits stopBits) {
    return stopBits == StopBits::One ? QSerialPort::OneStop : QSerialPort::TwoStop;
}

QSerialPort::FlowControl QtFlowControl(std::int32_t handshaking) {
    switch (handshaking) {
        case comXOnXoff:
            return QSerialPort::SoftwareControl;
        case comRTS:
            return QSerialPort::HardwareControl;
        default:
            return QSerialPort::NoFlowControl;
    }
}

}  // namespace

QtSerialControl::QtSerialControl(DeviceResolver resolver) : resolver_(std::move(resolver)) {
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { OnReadyRead(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { OnError(error); });
}

QtSerialControl::~QtSerialControl() {
    onComm_ = nullptr;
    onClosedByDevice_ = nullptr;
    hangupWatcher_.reset();
    if (port_.isOpen()) {
        port_.close();
    }
}

void QtSerialControl::SetCommPort(std::int16_t port) {
    CheckCommPort(port, PortOpen(), kSource);
    commPort_ = port;
}

void QtSerialControl::SetSettings(const std::string& settings) {
    const LineSettings parsed = CheckedLineSettings(settings, kSource);
    if (PortOpen()) {
        Reconfigure(parsed, handshaking_);
    }
    settings_ = parsed;
}

void QtSerialControl::SetHandshaking(std::int32_t handshaking) {
    CheckHandshaking(handshaking, kSource);
    if (PortOpen()) {
        Reconfigure(settings_, handshaking);
    }
    handshaking_ = handshaking;
}

void QtSerialControl::SetPortOpen(bool open) {
    if (open) {
        if (PortOpen()) {
            Raise(comPortAlreadyOpen, "Port already open");
        }
        Open();
    } else if (port_.isOpen()) {
        Close();
    }
}

bool QtSerialControl::PortOpen() const {
    return port_.isOpen() && !closing_;
}

std::string QtSerialControl::Input() {
    inputTaken_ = true;
    if (!PortOpen()) {
        return {};
    }
    // All that is waiting, which the bounded buffer keeps to kReadBufferSize; emptying the buffer
    // lets the port read from the line again. Read straight into the string: a lone byte needs
    // no allocation on its way in.
    std::string bytes(static_cast<std::size_t>(port_.bytesAvailable()), '\0');
    const qint64 read = bytes.empty() ? 0 : port_.read(bytes.data(), static_cast<qint64>(bytes.size()));
    bytes.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    return bytes;
}

std::int64_t QtSerialControl::InBufferCount() const {
    return PortOpen() ? port_.bytesAvailable() : 0;
}

void QtSerialControl::Open() {
    if (port_.isOpen()) {
        Close();  // a failed device whose close is still pending
    }
    const std::string name = ComName(commPort_);
    const std::string device = resolver_ ? resolver_(commPort_) : std::string();
    if (device.empty()) {
        Raise(comPortInvalid, "Invalid Port Number: " + name + " has no device");
    }

    port_.setPortName(QString::fromLocal8Bit(device.c_str()));
    port_.setReadBufferSize(kReadBufferSize);
    {
        const QScopedValueRollback<bool> ownCall(ownCall_, true);
        if (!port_.open(QIODevice::ReadWrite)) {
            const std::string why = Ansi(port_.errorString());
            const bool refused = port_.error() == QSerialPort::PermissionError;
            // A device not plugged in is a port with no device, which may still come.
            const bool absent = port_.error() == QSerialPort::DeviceNotFoundError;
            port_.clearError();
            // Qt calls a device that another program's lock file keeps a permission error too,
            // and names neither the file nor its holder. It locks before it opens the device and
            // removes its own lock when the open fails, so a lock file still there is the reason.
            std::string advice = refused ? LockFileHolder(device, DefaultLockDirs()) : std::string();
            if (refused && advice.empty()) {
                advice = PermissionAdvice(device);
            }
            Raise(absent ? comPortInvalid : comBadComm, "Could not open " + name + " (" + device +
                                                            "): " + why +
                                                            (advice.empty() ? "" : "\r\n\r\n" + advice));
        }
    }
    try {
        Configure(settings_, handshaking_);
    } catch (const RaisedError& error) {
        Close();
        Raise(error.Number(), name + " (" + device + "): " + error.Description());
    }
    closing_ = false;
    commEvent_ = 0;
    hangupWatcher_ = std::make_unique<HangupWatcher>(static_cast<int>(port_.handle()),
                                                     [this] { CloseOnFailure(kHungUp); });
}

void QtSerialControl::Close() {
    hangupWatcher_.reset();
    closing_ = false;
    // Restoring the settings of a device that has gone fails; that is no news to report.
    const QScopedValueRollback<bool> ownCall(ownCall_, true);
    // Closing also discards what was read and not yet taken: nothing is typed after a close.
    port_.close();
    port_.clearError();
}

void QtSerialControl::Configure(const LineSettings& settings, std::int32_t handshaking) {
    // Each setting is applied on its own, so that the one the device refuses is named.
    const QScopedValueRollback<bool> ownCall(ownCall_, true);
    const auto refuse = [this](const std::string& what) {
        const std::string why = Ansi(port_.errorString());
        port_.clearError();
        Raise(comBadComm, "the device refused " + what + ": " + why);
    };
    if (!port_.setBaudRate(settings.baudRate)) {
        refuse("the baud rate " + std::to_string(settings.baudRate));
    }
    if (!port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits))) {
        refuse(std::to_string(settings.dataBits) + " data bits");
    }
    if (!port_.setParity(QtParity(settings.parity))) {
        refuse(std::string("parity ") + static_cast<char>(settings.parity));
    }
    if (!port_.setStopBits(QtStopBits(settings.stopBits))) {
        refuse("the stop bits");
    }
    const QSerialPort::FlowControl flow = QtFlowControl(handshaking);
    if (!port_.setFlowControl(flow)) {
        refuse("handshaking " + std::to_string(handshaking));
    }
    if (flow != QSerialPort::HardwareControl) {
        // Devices powered from RTS need it raised. A pseudo-terminal has no modem lines and
        // refuses; that costs nothing, so it is not an error.
        port_.setRequestToSend(true);
    }
    port_.clearError();
}

void QtSerialControl::Reconfigure(const LineSettings& settings, std::int32_t handshaking) {
    try {
        Configure(settings, handshaking);
    } catch (const RaisedError&) {
        // Leave the line as it was before the refused change, as far as the device allows.
        try {
            Configure(settings_, handshaking_);
        } catch (const RaisedError&) {
        }
        throw;
    }
}

void QtSerialControl::OnReadyRead() {
    if (!PortOpen()) {
        return;
    }
    if (handling_) {
        // Not nested inside the handler, which may pump events: each nested event would take
        // another buffer's worth while the outer one works through its own, and a busy line
        // would pile up in memory. The bytes wait in the bounded buffer, and then in the line.
        return;
    }
    {
        const QScopedValueRollback<bool> handling(handling_, true);
        inputTaken_ = false;
        commEvent_ = comEvReceive;
        if (onComm_) {
            onComm_();
        }
    }
    // Bytes that arrived while the handler above was still running were not announced. Give
    // them an event of their own, or they would wait for the next byte.
    if (inputTaken_ && PortOpen() && port_.bytesAvailable() > 0) {
        QMetaObject::invokeMethod(
            &port_,
            [this] {
                if (port_.bytesAvailable() > 0) {
                    OnReadyRead();
                }
            },
            Qt::QueuedConnection);
    }
}

void QtSerialControl::OnError(QSerialPort::SerialPortError error) {
    if (ownCall_ || !PortOpen()) {
        return;
    }
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) {
        // After a hang-up Qt's message describes a stale error, not the read that failed.
        CloseOnFailure(HangupWatcher::HungUp(static_cast<int>(port_.handle()))
                           ? std::string(kHungUp)
                           : "read error: " + Ansi(port_.errorString()));
    }
}

void QtSerialControl::CloseOnFailure(const std::string& reason) {
    if (closing_) {
        return;
    }
    // The port is closed from the event loop, not from inside Qt's own read handling, and
    // reports closed from now on so that no further event is raised.
    closing_ = true;
    Trace("QtSerialControl.CloseOnFailure", TraceError, ComName(commPort_) + " closed: " + reason);
    QMetaObject::invokeMethod(
        &port_, [this, reason] { FinishCloseOnFailure(reason); }, Qt::QueuedConnection);
}

void QtSerialControl::FinishCloseOnFailure(const std::string& reason) {
    if (!closing_) {
        return;  // closed by its owner in the meantime
    }
    Close();
    if (onClosedByDevice_) {
        onClosedByDevice_(reason);
    }
}

}  // namespace qm
