#pragma once

#include <QWinEventNotifier>

#include <cstdint>
#include <functional>
#include <string>

#include "ports/LineSettings.h"
#include "ports/SerialControl.h"

namespace qm {

// The serial control over the Windows communications API. Reads are overlapped, one byte at a
// time with no timeouts (a read ends when its byte has come), and the Qt event loop sees their
// completion through the read's event handle: a received byte raises its receive event on the
// UI thread with no thread of its own and no lock. Bytes already waiting are gathered by reads
// that complete at once, so one event carries all that has arrived.
//
// Why not QSerialPort: it waits on WaitCommEvent before it reads, and Wine fails that call on a
// port whose device has no modem lines (the pseudo-terminal every test here runs on); and Wine
// does not end a read at its first byte under the timeouts that ask for that on Windows (it
// waits out the whole total). One-byte reads without timeouts behave the same on both, so what
// is tested under Wine is what runs on Windows.
//
// The port number is turned into a device by the resolver given at construction (COMn to
// "COMn"; "" when there is none).
class Win32SerialControl : public SerialControl {
public:
    using DeviceResolver = std::function<std::string(std::int16_t port)>;

    explicit Win32SerialControl(DeviceResolver resolver);
    ~Win32SerialControl() override;
    Win32SerialControl(const Win32SerialControl&) = delete;
    Win32SerialControl& operator=(const Win32SerialControl&) = delete;

    void SetCommPort(std::int16_t port) override;
    std::int16_t CommPort() const override { return commPort_; }
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override { return settings_.ToString(); }
    void SetHandshaking(std::int32_t handshaking) override;
    std::int32_t Handshaking() const override { return handshaking_; }

    void SetPortOpen(bool open) override;
    bool PortOpen() const override;

    std::int16_t CommEvent() const override { return commEvent_; }
    std::string Input() override;

    void SetOnComm(std::function<void()> onComm) override { onComm_ = std::move(onComm); }
    void SetOnClosedByDevice(std::function<void(const std::string& reason)> onClosed) override {
        onClosedByDevice_ = std::move(onClosed);
    }

private:
    void Open();
    void Close();
    // Applies the line settings and handshaking to the open device; throws what it refuses.
    void Configure(const LineSettings& settings, std::int32_t handshaking);
    // Starts reads until one has to wait for its byte; those that complete at once add theirs
    // to what is received. At most kInputSize bytes wait here.
    void Gather();
    void OnReadDone();
    // Raises receive events while there is input and the handlers take it, then reads on.
    void Deliver();
    void CloseOnFailure(const std::string& reason);

    DeviceResolver resolver_;
    void* handle_ = nullptr;      // the open device; null while closed
    void* readDone_ = nullptr;    // the overlapped read's event
    void* overlapped_ = nullptr;  // the OVERLAPPED record of the read in flight
    QWinEventNotifier notifier_;
    bool reading_ = false;   // a read is in flight: its buffer and record are the system's
    bool handling_ = false;  // a receive event's handler is running
    bool closing_ = false;   // closed by a failure, its owner not told yet
    bool inputTaken_ = false;
    char byte_ = 0;  // the buffer of the read in flight
    // What one receive event carries at most: a backlog waits in the line, not in this program.
    static constexpr std::size_t kInputSize = 4096;
    std::string received_;
    std::int16_t commPort_ = 1;
    LineSettings settings_;
    std::int32_t handshaking_ = comNone;
    std::int16_t commEvent_ = 0;
    std::function<void()> onComm_;
    std::function<void(const std::string&)> onClosedByDevice_;
};

}  // namespace qm
