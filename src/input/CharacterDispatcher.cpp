#include "input/CharacterDispatcher.h"

#include <limits>
#include <utility>

#include "desktop/Rounding.h"
#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"
#include "input/VirtualKeys.h"

namespace qm {
namespace {

constexpr const char* kOnComm = "frmSerial.MscSerial_OnComm";
constexpr const char* kProcessCharacter = "frmSerial.ProcessCharacter";
constexpr const char* kUpdateBytesReceived = "frmSerial.UpdateBytesReceived";
constexpr const char* kResetBytesReceived = "frmSerial.ResetBytesReceived";

// The optional codes that press a key of the keyboard, and the key each presses.
struct KeyCode {
    CodeAction action;
    std::uint8_t vk;
};
constexpr KeyCode kKeyCodes[] = {
    {CodeAction::Escape, vk::Escape}, {CodeAction::ArrowLeft, vk::Left}, {CodeAction::ArrowRight, vk::Right},
    {CodeAction::ArrowUp, vk::Up},    {CodeAction::ArrowDown, vk::Down}, {CodeAction::Ctrl, vk::Control},
    {CodeAction::Alt, vk::Menu},      {CodeAction::Logo, vk::LWin},
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
                                         Desktop* desktop)
    : settings_(settings),
      serial_(mscSerial),
      pump_(pump),
      decoder_(decoder),
      movement_(movement),
      clicks_(clicks),
      keys_(keys),
      changed_(std::move(changed)),
      desktop_(desktop) {
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
    InputBatch batch(desktop_);
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
        // What the code does is decided once, so that the list shows what was done. A listener
        // is let go before it is told, so that it may listen again from inside.
        const SettingsRecord& s = settings_;
        std::function<void(std::int16_t)> listener = std::exchange(listener_, nullptr);
        const CodeMeaning meaning = listener ? CodeMeaning{CodeUse::Taken} : MeaningOf(code, s);
        received_.Add(code, meaning);
        listChanged = true;

        // Screen Y grows downwards.
        switch (meaning.use) {
            case CodeUse::North:
                movement_.MoveMouse(0, NegatedStep(s.MovementIncrementY()));
                break;
            case CodeUse::South:
                movement_.MoveMouse(0, Step(s.MovementIncrementY()));
                break;
            case CodeUse::West:
                movement_.MoveMouse(NegatedStep(s.MovementIncrementX()), 0);
                break;
            case CodeUse::East:
                movement_.MoveMouse(Step(s.MovementIncrementX()), 0);
                break;
            case CodeUse::NorthEast:
                movement_.MoveMouse(Step(s.MovementIncrementX()), NegatedStep(s.MovementIncrementY()));
                break;
            case CodeUse::NorthWest:
                movement_.MoveMouse(NegatedStep(s.MovementIncrementX()), NegatedStep(s.MovementIncrementY()));
                break;
            case CodeUse::SouthWest:
                movement_.MoveMouse(NegatedStep(s.MovementIncrementX()), Step(s.MovementIncrementY()));
                break;
            case CodeUse::SouthEast:
                movement_.MoveMouse(Step(s.MovementIncrementX()), Step(s.MovementIncrementY()));
                break;
            case CodeUse::Stop:
                movement_.StopMouse();
                break;
            case CodeUse::LeftClick:
                clicks_.Click(MouseButton::Left, ClickCount::Single);
                break;
            case CodeUse::LeftDoubleClick:
                clicks_.Click(MouseButton::Left, ClickCount::Double);
                break;
            case CodeUse::RightClick:
                clicks_.Click(MouseButton::Right, ClickCount::Single);
                break;
            case CodeUse::RightDoubleClick:
                clicks_.Click(MouseButton::Right, ClickCount::Double);
                break;
            case CodeUse::Added:
                StartAdded(meaning.added);
                break;
            case CodeUse::Character:
                keys_.SendKeyCode(code);
                break;
            case CodeUse::VirtualKey:
                keys_.SendVirtualKey(static_cast<std::uint8_t>(code - kVirtualKeyBase));
                break;
            case CodeUse::Taken:
                listener(code);
                break;
            case CodeUse::Nothing:
                break;
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

void CharacterDispatcher::StartAdded(CodeAction action) {
    switch (action) {
        case CodeAction::LeftLock:
            clicks_.ToggleLeftLock();
            break;
        case CodeAction::MiddleClick:
            clicks_.MiddleClick();
            break;
        case CodeAction::WheelUp:
            clicks_.TurnWheel(ClickEmulation::WheelTurn::Up);
            break;
        case CodeAction::WheelDown:
            clicks_.TurnWheel(ClickEmulation::WheelTurn::Down);
            break;
        case CodeAction::WheelLeft:
            clicks_.TurnWheel(ClickEmulation::WheelTurn::Left);
            break;
        case CodeAction::WheelRight:
            clicks_.TurnWheel(ClickEmulation::WheelTurn::Right);
            break;
        case CodeAction::Faster:
            movement_.Faster();
            break;
        case CodeAction::Slower:
            movement_.Slower();
            break;
        default:
            for (const KeyCode& key : kKeyCodes) {
                if (key.action == action) {
                    keys_.SendVirtualKey(key.vk);
                }
            }
            break;
    }
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
