#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "diag/RaisedError.h"
#include "ports/SerialChecks.h"
#include "ports/SerialControl.h"
#include "ports/SerialErrors.h"

namespace qm::test {

// A serial control fed by the test: Deliver puts bytes in the input buffer and raises a receive
// event, the way the real control does when characters arrive. Line settings are refused as the
// real controls refuse them.
class ScriptedSerial : public SerialControl {
public:
    void SetCommPort(std::int16_t port) override { commPort_ = port; }
    std::int16_t CommPort() const override { return commPort_; }
    void SetSettings(const std::string& settings) override {
        settings_ = CheckedLineSettings(settings, "MSComm").ToString();
    }
    std::string Settings() const override { return settings_; }
    void SetHandshaking(std::int32_t handshaking) override { handshaking_ = handshaking; }
    std::int32_t Handshaking() const override { return handshaking_; }

    void SetPortOpen(bool open) override {
        if (open && failOpen_) {
            throw failOpen_ == comPortInvalid ? RaisedError(failOpen_, "MSComm", "Invalid port number")
                                              : RaisedError(failOpen_, "MSComm", "the device refused");
        }
        open_ = open;
    }
    bool PortOpen() const override { return open_; }

    std::int16_t CommEvent() const override { return commEvent_; }
    std::string Input() override {
        ++inputReads_;
        return std::exchange(buffer_, std::string());
    }
    void SetOnComm(std::function<void()> onComm) override { onComm_ = std::move(onComm); }

    // Bytes arrive: they join the input buffer and a receive event is raised.
    void Deliver(const std::string& bytes) {
        buffer_ += bytes;
        Raise(comEvReceive);
    }
    // Bytes arrive without an event yet (a later event reads them).
    void Arrive(const std::string& bytes) { buffer_ += bytes; }
    // Any communication event.
    void Raise(std::int16_t event) {
        commEvent_ = event;
        if (onComm_) {
            onComm_();
        }
    }

    // Opening fails: as for a port with no device, or with the number given.
    void FailOpen(bool fail, std::int32_t number = comPortInvalid) { failOpen_ = fail ? number : 0; }
    bool HasCommHandler() const { return static_cast<bool>(onComm_); }
    int InputReads() const { return inputReads_; }

private:
    std::int16_t commPort_ = 1;
    std::string settings_ = "9600,n,8,1";
    std::int32_t handshaking_ = comNone;
    bool open_ = false;
    std::int32_t failOpen_ = 0;
    std::int16_t commEvent_ = 0;
    std::string buffer_;
    std::function<void()> onComm_;
    int inputReads_ = 0;
};

}  // namespace qm::test
