#include "input/CharacterDispatcher.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"
#include "input/VirtualKeys.h"
#include "mouse/Rounding.h"

namespace qm {
namespace {

constexpr const char* kOnComm = "frmSerial.MscSerial_OnComm";
constexpr const char* kProcessCharacter = "frmSerial.ProcessCharacter";
constexpr const char* kUpdateBytesReceived = "frmSerial.UpdateBytesReceived";
constexpr const char* kResetBytesReceived = "frmSerial.ResetBytesReceived";

// The optional codes that press a key of the keyboard, and the key each presses.
struct KeyCode {
    std::int16_t (SettingsRecord::*code)() const;
    std::uint8_t vk;
};
constexpr KeyCode kKeyCodes[] = {
    {&SettingsRecord::ESCAPE_ASCII, vk::Escape},     {&SettingsRecord::ARROW_LEFT_ASCII, vk::Left},
    {&SettingsRecord::ARROW_RIGHT_ASCII, vk::Right}, {&SettingsRecord::ARROW_UP_ASCII, vk::Up},
    {&SettingsRecord::ARROW_DOWN_ASCII, vk::Down},   {&SettingsRecord::CTRL_ASCII, vk::Control},
    {&SettingsRecord::ALT_ASCII, vk::Menu},          {&SettingsRecord::LOGO_ASCII, vk::LWin},
};

std::int32_t Step(float increment) {
    return RoundToInt32(static_cast<double>(increment));
}
std::int32_t NegatedStep(float increment) {
    return RoundToInt32(-static_cast<double>(increment));
}

}  // namespace

CharacterDispatcher::CharacterDispatcher(const SettingsRecord& settings, SerialControl& mscSerial,
                                         EventPump& pump, AsciiSequenceDecoder& decoder,
                                         MovementEngine& movement, ClickEmulation& clicks,
                                         KeystrokeInjection& keys, std::function<void()> changed,
                                         InputInjector* injector)
    : settings_(settings),
      serial_(mscSerial),
      pump_(pump),
      decoder_(decoder),
      movement_(movement),
      clicks_(clicks),
      keys_(keys),
      changed_(std::move(changed)),
      injector_(injector) {
    serial_.SetOnComm([this] { MscSerial_OnComm(); });
}

CharacterDispatcher::~CharacterDispatcher() {
    serial_.SetOnComm(nullptr);
}

void CharacterDispatcher::MscSerial_OnComm() {
    Traced(kOnComm, [&] {
        if (serial_.CommEvent() == comEvReceive) {
            PendingInput input;
            input.text = serial_.Input();
            input.sequenceMode = settings_.ASCIISequence() != 0;
            pending_.push_back(std::move(input));
            if (!workingThrough_) {
                // Only the outermost receive event works through the inputs; one raised nested
                // inside it has just queued its own behind the ones still waiting.
                struct Owner {
                    bool& flag;
                    explicit Owner(bool& f) : flag(f) { flag = true; }
                    ~Owner() { flag = false; }
                } owner(workingThrough_);
                while (!pending_.empty()) {
                    const PendingInput next = std::move(pending_.front());
                    pending_.pop_front();
                    try {
                        WorkThrough(next);
                    } catch (...) {
                        // The rest of that input is abandoned; the inputs of other events go on.
                        Trace(kOnComm, TraceError, TrappedErrorDescription());
                    }
                }
            }
        }
    });
}

void CharacterDispatcher::DropPendingInput() {
    pending_.clear();
    ++dropGeneration_;
}

void CharacterDispatcher::WorkThrough(const PendingInput& input) {
    const std::uint64_t generation = dropGeneration_;
    InputBatch batch(injector_);
    struct Current {
        CharacterDispatcher& d;
        Current(CharacterDispatcher& dispatcher, InputBatch& b) : d(dispatcher) { d.batch_ = &b; }
        ~Current() {
            d.batch_ = nullptr;
            d.lastOfInput_ = false;
        }
    } current(*this, batch);
    for (std::size_t i = 0; i < input.text.size(); ++i) {
        if (dropGeneration_ != generation) {
            return;
        }
        lastOfInput_ = i + 1 == input.text.size();
        const auto code = static_cast<std::int16_t>(static_cast<unsigned char>(input.text[i]));
        if (code == 0 || code == 255) {
            continue;
        }
        if (input.sequenceMode) {
            decoder_.ProcessASCIISequenceCharacter(code);
        } else {
            ProcessCharacter(code);
        }
    }
}

bool CharacterDispatcher::ProcessCharacter(std::int16_t code) {
    // The shell is told of the new list once the character's action has sent its input, or
    // has failed: the box shows the list a moment later anyway, and arranging that is no part
    // of the time between a byte and the event it causes.
    bool listChanged = false;
    const auto tellChanged = [&] {
        listChanged = false;
        if (changed_) {
            changed_();
        }
    };
    try {
        // The last character's action sends the input of the whole receive event with its own,
        // at once: a lone byte's event waits for nothing else.
        if (lastOfInput_ && batch_ != nullptr) {
            batch_->End();
        }
        received_.Add(code);
        listChanged = true;

        // The fixed order: the first setting equal to the code wins. Screen Y grows downwards.
        const SettingsRecord& s = settings_;
        if (code == s.N_ASCII()) {
            movement_.MoveMouse(0, NegatedStep(s.MovementIncrementY()));
        } else if (code == s.S_ASCII()) {
            movement_.MoveMouse(0, Step(s.MovementIncrementY()));
        } else if (code == s.W_ASCII()) {
            movement_.MoveMouse(NegatedStep(s.MovementIncrementX()), 0);
        } else if (code == s.E_ASCII()) {
            movement_.MoveMouse(Step(s.MovementIncrementX()), 0);
        } else if (code == s.NE_ASCII()) {
            movement_.MoveMouse(Step(s.MovementIncrementX()), NegatedStep(s.MovementIncrementY()));
        } else if (code == s.NW_ASCII()) {
            movement_.MoveMouse(NegatedStep(s.MovementIncrementX()), NegatedStep(s.MovementIncrementY()));
        } else if (code == s.SW_ASCII()) {
            movement_.MoveMouse(NegatedStep(s.MovementIncrementX()), Step(s.MovementIncrementY()));
        } else if (code == s.SE_ASCII()) {
            movement_.MoveMouse(Step(s.MovementIncrementX()), Step(s.MovementIncrementY()));
        } else if (code == s.STOP_ASCII()) {
            movement_.StopMouse();
        } else if (code == s.LEFT_SCLICK_ASCII()) {
            clicks_.CLickMouse(1, 0);
        } else if (code == s.LEFT_DCLICK_ASCII()) {
            clicks_.CLickMouse(1, 1);
        } else if (code == s.RIGHT_SCLICK_ASCII()) {
            clicks_.CLickMouse(2, 0);
        } else if (code == s.RIGHT_DCLICK_ASCII()) {
            clicks_.CLickMouse(2, 1);
        } else if (!MatchOptional(code)) {
            if (code >= 0 && code <= 255) {
                keys_.SendKeyCode(code);
            } else if (code >= kVirtualKeyBase && code <= kVirtualKeyLast) {
                keys_.SendVirtualKey(static_cast<std::uint8_t>(code - kVirtualKeyBase));
            }
        }
        tellChanged();
        pump_.DoEvents();
        UpdateBytesReceived();
        Trace(kProcessCharacter, TraceExit, "");
        return true;
    } catch (...) {
        Trace(kProcessCharacter, TraceError, TrappedErrorDescription());
        if (listChanged) {
            try {
                tellChanged();
            } catch (...) {
            }
        }
        return false;
    }
}

// The codes beyond the thirteen, after them so that the thirteen keep their order. An unset
// code (-1) matches nothing: a character code is never negative.
bool CharacterDispatcher::MatchOptional(std::int16_t code) {
    const SettingsRecord& s = settings_;
    if (code == SettingsRecord::kNoCode) {
        return false;
    }
    if (code == s.LEFT_LOCK_ASCII()) {
        clicks_.ToggleLeftLock();
    } else if (code == s.MIDDLE_SCLICK_ASCII()) {
        clicks_.MiddleClick();
    } else if (code == s.WHEEL_UP_ASCII()) {
        clicks_.TurnWheel(ClickEmulation::WheelTurn::Up);
    } else if (code == s.WHEEL_DOWN_ASCII()) {
        clicks_.TurnWheel(ClickEmulation::WheelTurn::Down);
    } else if (code == s.WHEEL_LEFT_ASCII()) {
        clicks_.TurnWheel(ClickEmulation::WheelTurn::Left);
    } else if (code == s.WHEEL_RIGHT_ASCII()) {
        clicks_.TurnWheel(ClickEmulation::WheelTurn::Right);
    } else if (code == s.FASTER_ASCII()) {
        movement_.Faster();
    } else if (code == s.SLOWER_ASCII()) {
        movement_.Slower();
    } else {
        // The keyboard's keys come last, in the order of the settings.
        for (const KeyCode& key : kKeyCodes) {
            if (code == (s.*key.code)()) {
                keys_.SendVirtualKey(key.vk);
                return true;
            }
        }
        return false;
    }
    return true;
}

bool CharacterDispatcher::UpdateBytesReceived() {
    return Traced(kUpdateBytesReceived, false, [&] {
        if (bytesReceived_ == std::numeric_limits<std::int32_t>::max()) {
            err::RaiseOverflow("frmSerial");
        }
        bytesReceived_ += 1;
        ++counted_;
        if (changed_) {
            changed_();
        }
        return true;
    });
}

bool CharacterDispatcher::ResetBytesReceived() {
    return Traced(kResetBytesReceived, false, [&] {
        bytesReceived_ = 0;
        if (changed_) {
            changed_();
        }
        return true;
    });
}

}  // namespace qm
