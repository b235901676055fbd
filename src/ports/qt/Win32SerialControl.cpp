#include "ports/qt/Win32SerialControl.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <QScopedValueRollback>
#include <QTimer>

#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "ports/SerialChecks.h"
#include "ports/SerialErrors.h"

namespace qm {

namespace {

constexpr const char* kSource = "Win32SerialControl";
constexpr const char* kHungUp = "the device hung up";
constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;

[[noreturn]] void Raise(std::int32_t number, const std::string& description) {
    throw RaisedError(number, kSource, description);
}

std::string ComName(std::int16_t port) {
    return "COM" + std::to_string(port) + ":";
}

// The system's own words for an error, in the ANSI code page, without the line end it adds.
std::string SystemText(DWORD error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = length > 0 ? std::string(text, length) : "error " + std::to_string(error);
    ::LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
        result.pop_back();
    }
    return result;
}

BYTE DcbParity(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return EVENPARITY;
        case Parity::Odd:
            return ODDPARITY;
        case Parity::Mark:
            return MARKPARITY;
        case Parity::Space:
            return SPACEPARITY;
        case Parity::None:
            break;
    }
    return NOPARITY;
}

BYTE DcbStopBits(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::OneAndHalf:
            return ONE5STOPBITS;
        case StopBits::Two:
            return TWOSTOPBITS;
        case StopBits::One:
            break;
    }
    return ONESTOPBIT;
}

OVERLAPPED& Record(void* overlapped) {
    return *static_cast<OVERLAPPED*>(overlapped);
}

}  // namespace

Win32SerialControl::Win32SerialControl(DeviceResolver resolver)
    : resolver_(std::move(resolver)), overlapped_(new OVERLAPPED{}) {
    // Manual reset: the event stays signalled until the next read starts, so a completion the
    // event loop has not yet seen is never lost.
    readDone_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Record(overlapped_).hEvent = readDone_;
    notifier_.setHandle(readDone_);
    notifier_.setEnabled(false);
    QObject::connect(&notifier_, &QWinEventNotifier::activated, &notifier_, [this] { OnReadDone(); });
}

Win32SerialControl::~Win32SerialControl() {
    onComm_ = nullptr;
    onClosedByDevice_ = nullptr;
    Close();
    notifier_.setEnabled(false);
    if (readDone_ != nullptr) {
        ::CloseHandle(readDone_);
    }
    delete &Record(overlapped_);
}

void Win32SerialControl::SetCommPort(std::int16_t port) {
    CheckCommPort(port, PortOpen(), kSource);
    commPort_ = port;
}

void Win32SerialControl::SetSettings(const std::string& settings) {
    const LineSettings parsed = CheckedLineSettings(settings, kSource);
    if (PortOpen()) {
        try {
            Configure(parsed, handshaking_);
        } catch (const RaisedError&) {
            Configure(settings_, handshaking_);
            throw;
        }
    }
    settings_ = parsed;
}

void Win32SerialControl::SetHandshaking(std::int32_t handshaking) {
    CheckHandshaking(handshaking, kSource);
    if (PortOpen()) {
        try {
            Configure(settings_, handshaking);
        } catch (const RaisedError&) {
            Configure(settings_, handshaking_);
            throw;
        }
    }
    handshaking_ = handshaking;
}

void Win32SerialControl::SetPortOpen(bool open) {
    if (open) {
        if (PortOpen()) {
            Raise(comPortAlreadyOpen, "Port already open");
        }
        Open();
    } else {
        Close();
    }
}

bool Win32SerialControl::PortOpen() const {
    return handle_ != nullptr && !closing_;
}

std::string Win32SerialControl::Input() {
    inputTaken_ = true;
    std::string bytes;
    bytes.swap(received_);
    return bytes;
}

void Win32SerialControl::Open() {
    Close();  // a failed device whose owner has not been told yet
    const std::string name = ComName(commPort_);
    const std::string device = resolver_ ? resolver_(commPort_) : std::string();
    if (device.empty()) {
        Raise(comPortInvalid, "Invalid Port Number: " + name + " has no device");
    }
    // The device namespace reaches every port, COM10 and above among them.
    const std::string path = device.rfind("\\\\.\\", 0) == 0 ? device : "\\\\.\\" + device;
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // A device not plugged in is a port with no device, which may still come.
        const bool absent = error == ERROR_FILE_NOT_FOUND;
        Raise(absent ? comPortInvalid : comBadComm,
              "Could not open " + name + " (" + device + "): " + SystemText(error));
    }
    handle_ = handle;
    try {
        Configure(settings_, handshaking_);
    } catch (const RaisedError& error) {
        Close();
        Raise(error.Number(), name + " (" + device + "): " + error.Description());
    }
    // No timeouts: a read waits until its byte has come, however long the line is idle.
    COMMTIMEOUTS timeouts{};
    if (!::SetCommTimeouts(handle_, &timeouts)) {
        const DWORD error = ::GetLastError();
        Close();
        Raise(comBadComm,
              name + " (" + device + "): the device refused its read timeouts: " + SystemText(error));
    }
    // Nothing that arrived before the port was opened is typed.
    ::PurgeComm(handle_, PURGE_RXCLEAR | PURGE_RXABORT);
    commEvent_ = 0;
    Gather();
    if (!received_.empty() && !handling_) {
        // Bytes gathered at once have no read completion to announce them.
        QTimer::singleShot(0, &notifier_, [this] {
            if (!handling_) {
                Deliver();
            }
        });
    }
}

void Win32SerialControl::Close() {
    notifier_.setEnabled(false);
    closing_ = false;
    if (handle_ == nullptr) {
        return;
    }
    if (reading_) {
        // The read's buffer and record stay the system's until it has ended.
        ::CancelIoEx(handle_, &Record(overlapped_));
        DWORD ignored = 0;
        ::GetOverlappedResult(handle_, &Record(overlapped_), &ignored, TRUE);
        reading_ = false;
    }
    ::CloseHandle(handle_);
    handle_ = nullptr;
    // Nothing read and not taken is typed after a close.
    received_.clear();
}

void Win32SerialControl::Configure(const LineSettings& settings, std::int32_t handshaking) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle_, &dcb)) {
        Raise(comBadComm, "the device's line settings cannot be read: " + SystemText(::GetLastError()));
    }
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    dcb.Parity = DcbParity(settings.parity);
    dcb.fParity = settings.parity != Parity::None;
    dcb.StopBits = DcbStopBits(settings.stopBits);
    dcb.fBinary = TRUE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    const bool hardware = handshaking == comRTS;
    const bool software = handshaking == comXOnXoff;
    dcb.fOutxCtsFlow = hardware;
    // Devices powered from RTS need it raised; with hardware handshaking it is the handshake.
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = software;
    dcb.fInX = software;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.XonChar = kXon;
    dcb.XoffChar = kXoff;
    dcb.XonLim = 512;
    dcb.XoffLim = 512;
    if (!::SetCommState(handle_, &dcb)) {
        Raise(comBadComm, "the device refused the line settings " + settings.ToString() +
                              " with handshaking " + std::to_string(handshaking) + ": " +
                              SystemText(::GetLastError()));
    }
}

void Win32SerialControl::Gather() {
    OVERLAPPED& record = Record(overlapped_);
    while (PortOpen() && !reading_ && received_.size() < kInputSize) {
        record = OVERLAPPED{};
        record.hEvent = readDone_;
        ::ResetEvent(readDone_);
        if (!::ReadFile(handle_, &byte_, 1, nullptr, &record)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING) {
                CloseOnFailure("read error: " + SystemText(error));
                return;
            }
            reading_ = true;
            notifier_.setEnabled(true);
            return;
        }
        DWORD count = 0;
        if (!::GetOverlappedResult(handle_, &record, &count, FALSE) || count == 0) {
            // Without timeouts a read ends only with its byte: an empty one is a device that has
            // gone (a terminal whose far end closed reads end-of-file at once, again and again).
            CloseOnFailure(count == 0 ? std::string(kHungUp) : "read error: " + SystemText(::GetLastError()));
            return;
        }
        received_.push_back(byte_);
    }
}

void Win32SerialControl::OnReadDone() {
    if (!reading_) {
        return;
    }
    DWORD count = 0;
    if (!::GetOverlappedResult(handle_, &Record(overlapped_), &count, FALSE)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_INCOMPLETE) {
            return;
        }
        reading_ = false;
        notifier_.setEnabled(false);
        CloseOnFailure("read error: " + SystemText(error));
        return;
    }
    reading_ = false;
    notifier_.setEnabled(false);
    if (count == 0) {
        CloseOnFailure(kHungUp);
        return;
    }
    received_.push_back(byte_);
    if (handling_) {
        // A handler that lets events run: its byte goes with the next event once the handler is
        // done, and no further read starts until then.
        return;
    }
    Deliver();
}

void Win32SerialControl::Deliver() {
    Gather();
    while (PortOpen() && !received_.empty()) {
        {
            const QScopedValueRollback<bool> handling(handling_, true);
            inputTaken_ = false;
            commEvent_ = comEvReceive;
            if (onComm_) {
                onComm_();
            }
        }
        if (!inputTaken_) {
            break;  // a handler that leaves its input gets it with the next byte
        }
        // Bytes that came while the handler ran get an event of their own.
        Gather();
    }
}

void Win32SerialControl::CloseOnFailure(const std::string& reason) {
    if (closing_ || handle_ == nullptr) {
        return;
    }
    // Reported closed from now on, so that no further event is raised; the owner is told from
    // the event loop, not from inside the handler that found the failure.
    closing_ = true;
    Trace("Win32SerialControl.CloseOnFailure", TraceError, ComName(commPort_) + " closed: " + reason);
    QTimer::singleShot(0, &notifier_, [this, reason] {
        if (!closing_) {
            return;  // closed or opened again by its owner in the meantime
        }
        Close();
        if (onClosedByDevice_) {
            onClosedByDevice_(reason);
        }
    });
}

}  // namespace qm
