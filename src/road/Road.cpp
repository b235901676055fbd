#include "road/Road.h"

#include "desktop/ClickEmulation.h"
#include "diag/OSInfo.h"
#include "diag/Trace.h"
#include "input/AsciiSequenceDecoder.h"
#include "input/KeystrokeInjection.h"
#include "loop/Timer.h"
#include "ports/SerialControl.h"
#include "settings/SettingsRecord.h"

namespace qm {
namespace {

const std::string kNoCharacters;
constexpr const char* kReconnect = "Road.Reconnect";
constexpr std::int32_t kReconnectInterval = 1000;

}  // namespace

Road::Road(Parts parts) : parts_(parts) {
    if (parts_.tmrReconnect != nullptr) {
        parts_.tmrReconnect->SetEnabled(false);
        parts_.tmrReconnect->SetInterval(kReconnectInterval);
        parts_.tmrReconnect->SetOnTick([this] { TryReconnect(); });
    }
}

Road::~Road() {
    if (parts_.tmrReconnect != nullptr) {
        parts_.tmrReconnect->SetEnabled(false);
        parts_.tmrReconnect->SetOnTick(nullptr);
    }
}

void Road::CreateOSInfo() {
    if (osInfo_) {
        return;
    }
    osInfo_ = parts_.osVersion != nullptr ? std::make_unique<clsOSInfo>(*parts_.osVersion)
                                          : std::make_unique<clsOSInfo>();
    movement_ = std::make_unique<MovementEngine>(
        *parts_.injector, *parts_.tmrMouseMovement, *parts_.pump, *parts_.settings,
        [this] { return working_ ? working_() : MovementWorkingValues{}; });
    clicks_ = std::make_unique<ClickEmulation>(*parts_.injector, *parts_.pump);
    keys_ = std::make_unique<KeystrokeInjection>(*parts_.injector);
    decoder_ = std::make_unique<AsciiSequenceDecoder>(
        [this](std::int16_t code) { return dispatcher_ ? dispatcher_->ProcessCharacter(code) : false; });
    // The view is looked up at each report, so that the window may come and go.
    DispatcherView view;
    view.SetReceivedBufferText = [this](const std::string& text) {
        if (view_.SetReceivedBufferText) {
            view_.SetReceivedBufferText(text);
        }
    };
    view.SetBytesReceivedText = [this](const std::string& text) {
        if (view_.SetBytesReceivedText) {
            view_.SetBytesReceivedText(text);
        }
    };
    view.UpdateTrayIconInfo = [this] { return view_.UpdateTrayIconInfo ? view_.UpdateTrayIconInfo() : true; };
    dispatcher_ =
        std::make_unique<CharacterDispatcher>(*parts_.settings, *parts_.mscSerial, *parts_.pump, *decoder_,
                                              *movement_, *clicks_, *keys_, view, parts_.injector);
}

const std::string& Road::ReceivedBuffer() const {
    return dispatcher_ ? dispatcher_->ReceivedBuffer() : kNoCharacters;
}

std::int32_t Road::BytesReceived() const {
    return dispatcher_ ? dispatcher_->BytesReceived() : 0;
}

void Road::ClearReceivedBuffer() {
    if (dispatcher_) {
        dispatcher_->ClearReceivedBuffer();
    }
    if (view_.SetReceivedBufferText) {
        view_.SetReceivedBufferText(std::string());
    }
}

bool Road::ResetBytesReceived() {
    if (dispatcher_) {
        return dispatcher_->ResetBytesReceived();
    }
    if (view_.SetBytesReceivedText) {
        view_.SetBytesReceivedText("0");
    }
    return true;
}

void Road::PortClosed() {
    StopReconnecting();
    if (dispatcher_) {
        dispatcher_->DropPendingInput();
    }
    if (clicks_) {
        // Nothing may stay held once the device that would let it go is gone.
        clicks_->ReleaseLeftLock();
    }
    if (keys_) {
        keys_->ReleaseModifiers();
    }
    if (movement_) {
        movement_->StopMouse();
    }
}

void Road::DeviceVanished() {
    PortClosed();
    if (parts_.tmrReconnect != nullptr && parts_.settings->ReconnectAutomatically() == 1) {
        Trace(kReconnect, TraceMessage, "Waiting for the port to come back");
        reconnecting_ = true;
        parts_.tmrReconnect->SetEnabled(true);
    }
}

void Road::StopReconnecting() {
    reconnecting_ = false;
    if (parts_.tmrReconnect != nullptr) {
        parts_.tmrReconnect->SetEnabled(false);
    }
}

void Road::TryReconnect() {
    SerialControl& serial = *parts_.mscSerial;
    if (parts_.settings->ReconnectAutomatically() != 1) {
        Trace(kReconnect, TraceMessage, "No longer waiting: reconnecting is off");
        StopReconnecting();
        if (onWaitEnded_) {
            onWaitEnded_();
        }
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
        if (onWaitEnded_) {
            onWaitEnded_();
        }
    }
}

bool Road::LeftButtonLocked() const {
    return clicks_ && clicks_->LeftLocked();
}

std::string Road::HeldModifiers() const {
    return keys_ ? keys_->Modifiers().Describe() : std::string();
}

float Road::SpeedFactor() const {
    return movement_ ? movement_->SpeedFactor() : 1.0F;
}

void Road::Shutdown() {
    StopReconnecting();
    if (dispatcher_) {
        dispatcher_->DropPendingInput();
    }
    if (clicks_) {
        clicks_->ReleaseLeftLock();
    }
    if (keys_) {
        keys_->ReleaseModifiers();
    }
    parts_.injector->ReleaseAll();
}

}  // namespace qm
