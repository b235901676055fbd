#include "road/Road.h"

#include "diag/OSInfo.h"
#include "input/AsciiSequenceDecoder.h"
#include "input/KeystrokeInjection.h"
#include "mouse/ClickEmulation.h"

namespace qm {
namespace {

const std::string kNoCharacters;

}  // namespace

Road::Road(Parts parts) : parts_(parts) {}

Road::~Road() = default;

void Road::CreateOSInfo() {
    if (osInfo_) {
        return;
    }
    osInfo_ = parts_.osVersion != nullptr ? std::make_unique<clsOSInfo>(*parts_.osVersion)
                                          : std::make_unique<clsOSInfo>();
    movement_ = std::make_unique<MovementEngine>(
        *parts_.injector, *osInfo_, *parts_.tmrMouseMovement, *parts_.pump, *parts_.settings,
        [this] { return working_ ? working_() : MovementWorkingValues{}; });
    clicks_ = std::make_unique<ClickEmulation>(*parts_.injector, *osInfo_, *parts_.pump);
    keys_ = std::make_unique<KeystrokeInjection>(*parts_.injector, *osInfo_);
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
    if (dispatcher_) {
        dispatcher_->DropPendingInput();
    }
    if (movement_) {
        movement_->StopMouse();
    }
}

void Road::Shutdown() {
    if (dispatcher_) {
        dispatcher_->DropPendingInput();
    }
    parts_.injector->ReleaseAll();
}

}  // namespace qm
