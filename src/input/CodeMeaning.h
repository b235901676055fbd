#pragma once

#include <cstdint>
#include <string>

#include "settings/AddedCodes.h"

namespace qm {

class SettingsRecord;

// What the dispatcher does with a code: the first of the thirteen codes equal to it, in their
// fixed order, then the first optional code, else a keystroke.
enum class CodeUse : std::uint8_t {
    North,
    South,
    West,
    East,
    NorthEast,
    NorthWest,
    SouthWest,
    SouthEast,
    Stop,
    LeftClick,
    LeftDoubleClick,
    RightClick,
    RightDoubleClick,
    Added,       // an optional code's action
    Character,   // types the character of the code (0-255)
    VirtualKey,  // presses the key of a virtual-key number (kVirtualKeyBase on)
    Nothing,     // a decoded value beyond the keys
    Taken,       // handed to a code dialog that listened for it, instead of acting
};

struct CodeMeaning {
    CodeUse use = CodeUse::Nothing;
    CodeAction added = CodeAction::LeftLock;  // for CodeUse::Added

    bool operator==(const CodeMeaning&) const = default;
};

// What the code does under these settings.
CodeMeaning MeaningOf(std::int16_t code, const SettingsRecord& settings);

// A line of the received-characters list: the code as at least three decimal digits, and what it
// did ("002 East", "065 A", "300 key Print Screen"), in the ANSI code page.
std::string ReceivedLine(std::int16_t code, CodeMeaning meaning);

}  // namespace qm
