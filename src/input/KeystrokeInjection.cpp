#include "input/KeystrokeInjection.h"

#include <optional>
#include <string>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"

namespace qm {
namespace {

constexpr const char* kSendKeyCode = "frmSerial.SendKeyCode";
constexpr const char* kSendVirtualKey = "frmSerial.SendVirtualKey";
constexpr const char* kReleaseModifiers = "frmSerial.ReleaseModifiers";

}  // namespace

KeystrokeInjection::KeystrokeInjection(Desktop& desktop) : desktop_(desktop), modifiers_(desktop) {}

bool KeystrokeInjection::SendVirtualKey(std::uint8_t vk) {
    return Traced(kSendVirtualKey, false, [&] {
        const std::optional<Key> key = KeyForVirtualKey(vk);
        if (const std::optional<Modifier> modifier = key ? ModifierOf(*key) : std::nullopt) {
            {
                InputBatch together(&desktop_);
                modifiers_.Press(*modifier, *key);
            }
            const StickyModifiers::State state = modifiers_.StateOf(*modifier);
            Trace(kSendVirtualKey, TraceMessage,
                  std::string(ModifierName(*modifier)) +
                      (state == StickyModifiers::State::Latched  ? " latched for the next key"
                       : state == StickyModifiers::State::Locked ? " locked"
                                                                 : " let go"));
            return true;
        }
        // The latches wait for a key that is sent.
        if (!key || !desktop_.HasKey(*key)) {
            Trace(kSendVirtualKey, TraceMessage,
                  "No key on the keyboard for virtual key " + std::to_string(vk) + " - not sent");
            return true;
        }
        InputBatch together(&desktop_);
        modifiers_.Around([&] {
            desktop_.Press(*key);
            desktop_.Release(*key);
        });
        return true;
    });
}

void KeystrokeInjection::ReleaseModifiers() {
    const std::string held = modifiers_.Describe();
    if (held.empty()) {
        return;
    }
    Trace(kReleaseModifiers, TraceMessage, "Letting go of " + held);
    InputBatch together(&desktop_);
    modifiers_.ReleaseAll();
}

bool KeystrokeInjection::SendKeyCode(std::int32_t keyCode) {
    return Traced(kSendKeyCode, false, [&] {
        if (keyCode < 0 || keyCode > 255) {
            err::RaiseOverflow("frmSerial");
        }
        const auto character = static_cast<char>(static_cast<unsigned char>(keyCode));
        const Typing typing = desktop_.HowToType(character);
        if (typing == Typing::Not) {
            // It would reach the program as a key that types nothing; the latches wait.
            Trace(kSendKeyCode, TraceMessage,
                  "No key on the keyboard layout for key code " + std::to_string(keyCode) + " - not typed");
            return true;
        }
        {
            InputBatch together(&desktop_);
            modifiers_.Around([&] { desktop_.Type(character); });
        }
        if (typing == Typing::AsCharacter) {
            Trace(kSendKeyCode, TraceMessage,
                  "No key on the keyboard layout for key code " + std::to_string(keyCode) +
                      " - typed as a character");
        }
        return true;
    });
}

}  // namespace qm
