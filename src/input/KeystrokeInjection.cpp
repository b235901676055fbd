#include "input/KeystrokeInjection.h"

#include <array>
#include <optional>
#include <span>
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
constexpr std::uint16_t kShiftFlag = 0x100;
// Ctrl and Alt together: the layout's AltGr.
constexpr std::uint16_t kAltGrFlags = 0x600;
// The layout's answer when it has no key for the character.
constexpr std::int16_t kNoKey = -1;

// C0, DEL and C1: typed as themselves they would reach programs as keys that type nothing.
bool IsControl(char32_t unicode) {
    return unicode < 0x20 || (unicode >= 0x7F && unicode <= 0x9F);
}

}  // namespace

KeystrokeInjection::KeystrokeInjection(InputInjector& injector, const clsOSInfo& osInfo)
    : injector_(injector), osInfo_(osInfo), modifiers_(injector) {}

void KeystrokeInjection::Send(std::span<const InputRecord> records) {
    if (records.empty()) {
        return;
    }
    if (osInfo_.IsWin98() || osInfo_.IsWin2K()) {
        injector_.SendInput(records);
    } else {
        for (const InputRecord& record : records) {
            injector_.keybd_event(static_cast<std::uint8_t>(record.ki.wVk), record.ki.dwFlags);
        }
    }
}

std::span<const InputRecord> KeystrokeInjection::WithModifiers(std::span<const InputRecord> key) {
    // Nearly every key goes out as it is: nothing is copied on its way.
    if (!modifiers_.AnyLatched()) {
        return key;
    }
    withModifiers_.clear();
    releases_.clear();
    modifiers_.Around(withModifiers_, releases_);
    withModifiers_.insert(withModifiers_.end(), key.begin(), key.end());
    withModifiers_.insert(withModifiers_.end(), releases_.begin(), releases_.end());
    return withModifiers_;
}

bool KeystrokeInjection::SendVirtualKey(std::uint8_t vk) {
    return Traced(kSendVirtualKey, false, [&] {
        const VirtualKey* entry = FindVirtualKey(vk);
        if (entry != nullptr && entry->modifier) {
            std::vector<InputRecord> records;
            modifiers_.Press(*entry->modifier, vk, records);
            Send(records);
            const StickyModifiers::State state = modifiers_.StateOf(*entry->modifier);
            Trace(kSendVirtualKey, TraceMessage,
                  std::string(ModifierName(*entry->modifier)) +
                      (state == StickyModifiers::State::Latched  ? " latched for the next key"
                       : state == StickyModifiers::State::Locked ? " locked"
                                                                 : " let go"));
            return true;
        }
        const std::uint16_t key = injector_.KeyForVirtualKey(vk);
        if (key == 0) {
            Trace(kSendVirtualKey, TraceMessage,
                  "No key on the keyboard for virtual key " + std::to_string(vk) + " - not sent");
            return true;
        }
        const std::array<InputRecord, 2> press = {VirtualKeyRecord(key, vk, true),
                                                  VirtualKeyRecord(key, vk, false)};
        Send(WithModifiers(press));
        return true;
    });
}

void KeystrokeInjection::ReleaseModifiers() {
    const std::string held = modifiers_.Describe();
    if (held.empty()) {
        return;
    }
    Trace(kReleaseModifiers, TraceMessage, "Letting go of " + held);
    std::vector<InputRecord> records;
    modifiers_.ReleaseAll(records);
    Send(records);
}

bool KeystrokeInjection::SendKeyCode(std::int32_t plngKeyCode) {
    return Traced(kSendKeyCode, false, [&] {
        if (plngKeyCode < 0 || plngKeyCode > 255) {
            err::RaiseOverflow("frmSerial");
        }
        const auto byte = static_cast<unsigned char>(plngKeyCode);
        const bool newerPath = osInfo_.IsWin98() || osInfo_.IsWin2K();
        const std::int16_t answer = injector_.VkKeyScanA(static_cast<char>(byte));

        if (answer == kNoKey) {
            // No key would give this character: pressing "key 255" with Shift would type nothing
            // sensible, so the character goes out as itself. The older calls can only press
            // keys; a control character without a key, or a byte that is no character of the
            // code page, would reach the program as a key that types nothing.
            const std::optional<char32_t> unicode = injector_.AnsiToUnicode(static_cast<char>(byte));
            if (newerPath && unicode && !IsControl(*unicode) && *unicode <= 0xFFFF) {
                const auto scan = static_cast<std::uint16_t>(*unicode);
                const std::array<InputRecord, 2> records = {
                    InputRecord::Key(0, KEYEVENTF_UNICODE, scan),
                    InputRecord::Key(0, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, scan),
                };
                injector_.SendInput(WithModifiers(records));
                Trace(kSendKeyCode, TraceMessage,
                      "No key on the keyboard layout for key code " + std::to_string(plngKeyCode) +
                          " - typed as a character");
            } else {
                Trace(kSendKeyCode, TraceMessage,
                      "No key on the keyboard layout for key code " + std::to_string(plngKeyCode) +
                          " - not typed");
            }
            return true;
        }

        const auto key = static_cast<std::uint16_t>(static_cast<std::uint16_t>(answer) & 0xFFu);
        // A latched or locked Shift is held around the key already: the character's own Shift
        // records would let go of it before the key.
        const bool shift = (static_cast<std::uint16_t>(answer) & kShiftFlag) != 0 &&
                           modifiers_.StateOf(Modifier::Shift) == StickyModifiers::State::Off;
        // Without AltGr the base key would type another character. AltGr goes around the whole
        // sequence, so the key is pressed and released with it held.
        const bool altGr = (static_cast<std::uint16_t>(answer) & kAltGrFlags) == kAltGrFlags;
        std::array<InputRecord, 6> records{};
        std::size_t count = 0;
        if (altGr) {
            records[count++] = InputRecord::Key(VK_RMENU, KEYEVENTF_EXTENDEDKEY);
        }
        if (shift) {
            // Shift is released before the key: the key press has already produced the character.
            records[count++] = InputRecord::Key(VK_SHIFT, 0);
            records[count++] = InputRecord::Key(key, 0);
            records[count++] = InputRecord::Key(VK_SHIFT, KEYEVENTF_KEYUP);
            records[count++] = InputRecord::Key(key, KEYEVENTF_KEYUP);
        } else {
            records[count++] = InputRecord::Key(key, 0);
            records[count++] = InputRecord::Key(key, KEYEVENTF_KEYUP);
        }
        if (altGr) {
            records[count++] = InputRecord::Key(VK_RMENU, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP);
        }

        Send(WithModifiers(std::span<const InputRecord>(records.data(), count)));
        return true;
    });
}

}  // namespace qm
