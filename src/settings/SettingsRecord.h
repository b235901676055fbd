#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/AddedCodes.h"

namespace qm {

class SettingsRecord;
namespace layout {
struct Setting;
const std::vector<Setting>& Settings();
}  // namespace layout

// The one in-memory copy of everything the program remembers between runs. Each setting is
// named after the registry value that stores it and is reached only through its accessors.
// Write accessors store and nothing more: no saving, tracing or notifying.
//
// Before the settings are loaded every number is 0 and every text is empty, except the codes
// added after the thirteen, which have no code (kNoCode) until one is set.
class SettingsRecord {
public:
    // Read at load and written back unchanged at save; only persistence touches it.
    const std::string& StoredVersion() const { return Version_; }
    void SetStoredVersion(std::string version) { Version_ = std::move(version); }

    // Widened on read; narrowed on write, raising an overflow error (the setting unchanged)
    // outside the 16-bit range.
    std::int32_t ConnectOnApplicationStartup() const { return ConnectOnApplicationStartup_; }
    void ConnectOnApplicationStartup(std::int32_t value) { ConnectOnApplicationStartup_ = Narrow(value); }

    // Read only: set in the registry alone, and never saved.
    std::int16_t TracingEnabled() const { return TracingEnabled_; }

    float MovementIncrementX() const { return MovementIncrementX_; }
    void MovementIncrementX(float value) { MovementIncrementX_ = value; }
    float MovementIncrementY() const { return MovementIncrementY_; }
    void MovementIncrementY(float value) { MovementIncrementY_ = value; }
    float MovementDelay() const { return MovementDelay_; }
    void MovementDelay(float value) { MovementDelay_ = value; }

    std::int16_t N_ASCII() const { return N_ASCII_; }
    void N_ASCII(std::int16_t value) { N_ASCII_ = value; }
    std::int16_t E_ASCII() const { return E_ASCII_; }
    void E_ASCII(std::int16_t value) { E_ASCII_ = value; }
    std::int16_t S_ASCII() const { return S_ASCII_; }
    void S_ASCII(std::int16_t value) { S_ASCII_ = value; }
    std::int16_t W_ASCII() const { return W_ASCII_; }
    void W_ASCII(std::int16_t value) { W_ASCII_ = value; }
    std::int16_t NE_ASCII() const { return NE_ASCII_; }
    void NE_ASCII(std::int16_t value) { NE_ASCII_ = value; }
    std::int16_t NW_ASCII() const { return NW_ASCII_; }
    void NW_ASCII(std::int16_t value) { NW_ASCII_ = value; }
    std::int16_t SE_ASCII() const { return SE_ASCII_; }
    void SE_ASCII(std::int16_t value) { SE_ASCII_ = value; }
    std::int16_t SW_ASCII() const { return SW_ASCII_; }
    void SW_ASCII(std::int16_t value) { SW_ASCII_ = value; }
    std::int16_t STOP_ASCII() const { return STOP_ASCII_; }
    void STOP_ASCII(std::int16_t value) { STOP_ASCII_ = value; }

    std::int32_t LEFT_SCLICK_ASCII() const { return LEFT_SCLICK_ASCII_; }
    void LEFT_SCLICK_ASCII(std::int32_t value) { LEFT_SCLICK_ASCII_ = Narrow(value); }
    std::int32_t LEFT_DCLICK_ASCII() const { return LEFT_DCLICK_ASCII_; }
    void LEFT_DCLICK_ASCII(std::int32_t value) { LEFT_DCLICK_ASCII_ = Narrow(value); }
    std::int32_t RIGHT_SCLICK_ASCII() const { return RIGHT_SCLICK_ASCII_; }
    void RIGHT_SCLICK_ASCII(std::int32_t value) { RIGHT_SCLICK_ASCII_ = Narrow(value); }
    std::int32_t RIGHT_DCLICK_ASCII() const { return RIGHT_DCLICK_ASCII_; }
    void RIGHT_DCLICK_ASCII(std::int32_t value) { RIGHT_DCLICK_ASCII_ = Narrow(value); }

    std::int16_t BouncyMouse() const { return BouncyMouse_; }
    void BouncyMouse(std::int16_t value) { BouncyMouse_ = value; }
    std::int16_t BouncyMouseAngle() const { return BouncyMouseAngle_; }
    void BouncyMouseAngle(std::int16_t value) { BouncyMouseAngle_ = value; }

    std::int32_t BaudRate() const { return BaudRate_; }
    void BaudRate(std::int32_t value) { BaudRate_ = value; }
    std::int32_t DataBits() const { return DataBits_; }
    void DataBits(std::int32_t value) { DataBits_ = value; }

    // Write only through the record: no part reads it back.
    void FlowControl(std::string value) { FlowControl_ = std::move(value); }
    const std::string& StoredFlowControl() const { return FlowControl_; }

    std::string Handshaking() const { return Handshaking_; }
    void Handshaking(std::string value) { Handshaking_ = std::move(value); }
    std::string Parity() const { return Parity_; }
    void Parity(std::string value) { Parity_ = std::move(value); }
    std::string PortName() const { return PortName_; }
    void PortName(std::string value) { PortName_ = std::move(value); }

    std::int32_t StopBits() const { return StopBits_; }
    void StopBits(std::int32_t value) { StopBits_ = value; }

    std::int16_t TestPorts() const { return TestPorts_; }
    void TestPorts(std::int16_t value) { TestPorts_ = value; }
    std::int16_t RunOnSystemStartup() const { return RunOnSystemStartup_; }
    void RunOnSystemStartup(std::int16_t value) { RunOnSystemStartup_ = value; }
    std::int16_t ASCIISequence() const { return ASCIISequence_; }
    void ASCIISequence(std::int16_t value) { ASCIISequence_ = value; }

    // The codes beyond the thirteen (kAddedCodes), by what each does; each kNoCode (off) until
    // one is set.
    static constexpr std::int16_t kNoCode = -1;
    std::int16_t Code(CodeAction action) const { return AddedCodes_[static_cast<std::size_t>(action)]; }
    void Code(CodeAction action, std::int16_t value) {
        AddedCodes_[static_cast<std::size_t>(action)] = value;
    }

    // Acceleration: 1 = a movement starts at AccelerationStart percent of the increments and grows
    // to AccelerationMaximum times them over AccelerationTime milliseconds.
    std::int16_t Acceleration() const { return Acceleration_; }
    void Acceleration(std::int16_t value) { Acceleration_ = value; }
    std::int16_t AccelerationMaximum() const { return AccelerationMaximum_; }
    void AccelerationMaximum(std::int16_t value) { AccelerationMaximum_ = value; }
    std::int32_t AccelerationTime() const { return AccelerationTime_; }
    void AccelerationTime(std::int32_t value) { AccelerationTime_ = value; }
    std::int16_t AccelerationStart() const { return AccelerationStart_; }
    void AccelerationStart(std::int16_t value) { AccelerationStart_ = value; }

    // 1 = when the open port's device vanishes, the port is opened again once it is back.
    std::int16_t ReconnectAutomatically() const { return ReconnectAutomatically_; }
    void ReconnectAutomatically(std::int16_t value) { ReconnectAutomatically_ = value; }

    // Loading sets the registry-only setting; nothing else may.
    void LoadTracingEnabled(std::int16_t value) { TracingEnabled_ = value; }

private:
    // The settings layout names each setting's variable, so that loading and saving follow it.
    friend const std::vector<layout::Setting>& layout::Settings();

    static std::int16_t Narrow(std::int32_t value);
    static constexpr std::array<std::int16_t, kAddedCodeCount> AllNoCode() {
        std::array<std::int16_t, kAddedCodeCount> codes{};
        codes.fill(kNoCode);
        return codes;
    }

    std::string Version_;
    std::int16_t ConnectOnApplicationStartup_ = 0;
    std::int16_t TracingEnabled_ = 0;
    float MovementIncrementX_ = 0;
    float MovementIncrementY_ = 0;
    float MovementDelay_ = 0;
    std::int16_t N_ASCII_ = 0;
    std::int16_t E_ASCII_ = 0;
    std::int16_t S_ASCII_ = 0;
    std::int16_t W_ASCII_ = 0;
    std::int16_t NE_ASCII_ = 0;
    std::int16_t NW_ASCII_ = 0;
    std::int16_t SE_ASCII_ = 0;
    std::int16_t SW_ASCII_ = 0;
    std::int16_t STOP_ASCII_ = 0;
    std::int16_t LEFT_SCLICK_ASCII_ = 0;
    std::int16_t LEFT_DCLICK_ASCII_ = 0;
    std::int16_t RIGHT_SCLICK_ASCII_ = 0;
    std::int16_t RIGHT_DCLICK_ASCII_ = 0;
    std::int16_t BouncyMouse_ = 0;
    std::int16_t BouncyMouseAngle_ = 0;
    std::int32_t BaudRate_ = 0;
    std::int32_t DataBits_ = 0;
    std::string FlowControl_;
    std::string Handshaking_;
    std::string Parity_;
    std::string PortName_;
    std::int32_t StopBits_ = 0;
    std::int16_t TestPorts_ = 0;
    std::int16_t RunOnSystemStartup_ = 0;
    std::int16_t ASCIISequence_ = 0;
    std::array<std::int16_t, kAddedCodeCount> AddedCodes_ = AllNoCode();
    std::int16_t Acceleration_ = 0;
    std::int16_t AccelerationMaximum_ = 0;
    std::int32_t AccelerationTime_ = 0;
    std::int16_t AccelerationStart_ = 0;
    std::int16_t ReconnectAutomatically_ = 0;
};

}  // namespace qm
