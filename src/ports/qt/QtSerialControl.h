#pragma once

#include <QSerialPort>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ports/LineSettings.h"
#include "ports/SerialControl.h"

namespace qm {

class HangupWatcher;

// The serial control over Qt Serial Port. The port number is turned into a device by the
// resolver given at construction (COMn: to its device; "" when there is none). Events are
// raised from the Qt event loop of the thread that owns the control.
class QtSerialControl : public SerialControl {
public:
    using DeviceResolver = std::function<std::string(std::int16_t port)>;

    explicit QtSerialControl(DeviceResolver resolver);
    ~QtSerialControl() override;
    QtSerialControl(const QtSerialControl&) = delete;
    QtSerialControl& operator=(const QtSerialControl&) = delete;

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
    // The number of received bytes waiting to be read.
    std::int64_t InBufferCount() const;

    void SetOnComm(std::function<void()> onComm) override { onComm_ = std::move(onComm); }
    void SetOnClosedByDevice(std::function<void(const std::string& reason)> onClosed) override {
        onClosedByDevice_ = std::move(onClosed);
    }

private:
    void Open();
    void Close();
    // Applies the line settings and handshaking to the open port; throws what the port refuses.
    void Configure(const LineSettings& settings, std::int32_t handshaking);
    // Configure for a port already open: a refused change leaves the previous configuration.
    void Reconfigure(const LineSettings& settings, std::int32_t handshaking);
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError error);
    void CloseOnFailure(const std::string& reason);
    void FinishCloseOnFailure(const std::string& reason);

    DeviceResolver resolver_;
    QSerialPort port_;
    std::unique_ptr<HangupWatcher> hangupWatcher_;
    std::int16_t commPort_ = 1;
    LineSettings settings_;
    std::int32_t handshaking_ = comNone;
    std::int16_t commEvent_ = 0;
    bool ownCall_ = false;  // errors Qt signals now belong to a call that reports them itself
    bool closing_ = false;
    bool inputTaken_ = false;
    bool handling_ = false;  // a receive event's handler is running
    std::function<void()> onComm_;
    std::function<void(const std::string&)> onClosedByDevice_;
};

}  // namespace qm
