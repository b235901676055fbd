#include "input/CodeMeaning.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "desktop/Key.h"
#include "input/VirtualKeys.h"
#include "settings/SettingsRecord.h"

namespace qm {
namespace {

// The thirteen in their matching order, which is that of CodeUse, each with what the list calls it.
struct Fixed {
    std::int32_t (*code)(const SettingsRecord&);
    const char* name;
};
constexpr Fixed kFixed[] = {
    {[](const SettingsRecord& s) -> std::int32_t { return s.N_ASCII(); }, "North"},
    {[](const SettingsRecord& s) -> std::int32_t { return s.S_ASCII(); }, "South"},
    {[](const SettingsRecord& s) -> std::int32_t { return s.W_ASCII(); }, "West"},
    {[](const SettingsRecord& s) -> std::int32_t { return s.E_ASCII(); }, "East"},
    {[](const SettingsRecord& s) -> std::int32_t { return s.NE_ASCII(); }, "North East"},
    {[](const SettingsRecord& s) -> std::int32_t { return s.NW_ASCII(); }, "North West"},
    {[](const SettingsRecord& s) -> std::int32_t { return s.SW_ASCII(); }, "South West"},
    {[](const SettingsRecord& s) -> std::int32_t { return s.SE_ASCII(); }, "South East"},
    {[](const SettingsRecord& s) -> std::int32_t { return s.STOP_ASCII(); }, "Stop"},
    {[](const SettingsRecord& s) { return s.LEFT_SCLICK_ASCII(); }, "Left Click"},
    {[](const SettingsRecord& s) { return s.LEFT_DCLICK_ASCII(); }, "Left Double Click"},
    {[](const SettingsRecord& s) { return s.RIGHT_SCLICK_ASCII(); }, "Right Click"},
    {[](const SettingsRecord& s) { return s.RIGHT_DCLICK_ASCII(); }, "Right Double Click"},
};
static_assert(std::size(kFixed) == static_cast<std::size_t>(CodeUse::Added));

// The characters typed as keys of their own, and the two that show nothing when typed.
std::string CharacterText(unsigned char character) {
    switch (character) {
        case '\b':
        case 0x7f:
            return KeyName(Key::Backspace);
        case '\t':
            return KeyName(Key::Tab);
        case '\n':
        case '\r':
            return KeyName(Key::Enter);
        case 0x1b:
            return KeyName(Key::Escape);
        case ' ':
            return KeyName(Key::Space);
        case 0xa0:
            return "No-Break Space";
        case 0xad:
            return "Soft Hyphen";
        case 0x81:  // the bytes the code page leaves undefined
        case 0x8d:
        case 0x8f:
        case 0x90:
        case 0x9d:
            return "not typed";
        default:
            // The other control characters are made by no key.
            return character < 0x20 ? "not typed" : std::string(1, static_cast<char>(character));
    }
}

}  // namespace

CodeMeaning MeaningOf(std::int16_t code, const SettingsRecord& settings) {
    for (std::size_t i = 0; i < std::size(kFixed); ++i) {
        if (code == kFixed[i].code(settings)) {
            return {static_cast<CodeUse>(i)};
        }
    }
    // An unset optional code (kNoCode) matches nothing: a character code is never negative.
    if (code != SettingsRecord::kNoCode) {
        const auto added =
            std::find_if(std::begin(kAddedCodes), std::end(kAddedCodes),
                         [&](const AddedCode& row) { return settings.Code(row.action) == code; });
        if (added != std::end(kAddedCodes)) {
            return {CodeUse::Added, added->action};
        }
    }
    if (code >= 0 && code <= 255) {
        return {CodeUse::Character};
    }
    if (code >= kVirtualKeyBase && code <= kVirtualKeyLast) {
        return {CodeUse::VirtualKey};
    }
    return {CodeUse::Nothing};
}

std::string ReceivedLine(std::int16_t code, CodeMeaning meaning) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d ", code);
    std::string what;
    switch (meaning.use) {
        case CodeUse::Added:
            what = kAddedCodes[static_cast<std::size_t>(meaning.added)].caption;
            break;
        case CodeUse::Character:
            what = CharacterText(static_cast<unsigned char>(code));
            break;
        case CodeUse::VirtualKey: {
            const auto key = KeyForVirtualKey(static_cast<std::uint8_t>(code - kVirtualKeyBase));
            what = key ? std::string("key ") + KeyName(*key) : "no key";
            break;
        }
        case CodeUse::Nothing:
            what = "nothing";
            break;
        case CodeUse::Taken:
            what = "taken as a code";
            break;
        default:
            what = kFixed[static_cast<std::size_t>(meaning.use)].name;
            break;
    }
    return number + what;
}

}  // namespace qm
