#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qm {

// ASCII Sequence Mode: Esc, "A" and three decimal digits stand for one code (0 to 999), and
// Esc Esc for a literal Esc. Everything else is passed on unchanged. What it passes on goes to
// the dispatcher's ProcessCharacter.
//
// The state survives between receive events and a switch of the mode: a sequence may be split
// over either. It does not survive the port closing (Forget): the device that sent the start
// may not be the one that sends what follows, and a stale start would swallow its first bytes.
// There is no timeout.
class AsciiSequenceDecoder {
public:
    using ProcessCharacterFn = std::function<bool(std::int16_t)>;

    explicit AsciiSequenceDecoder(ProcessCharacterFn processCharacter);

    void ProcessASCIISequenceCharacter(std::int16_t code);
    // Back to "not in a sequence".
    void ResetASCIISequence();
    // The same without a trace, for the port closing: the rest of the sequence will never come.
    void Forget();

    // 0 not in a sequence, 1 Esc seen, 2 Esc "A" seen, 3 one digit seen, 4 two digits seen.
    std::int32_t Stage() const { return stage_; }
    const std::string& Digits() const { return digits_; }

private:
    void PassOn(std::int16_t code);

    ProcessCharacterFn processCharacter_;
    std::int32_t stage_ = 0;
    std::string digits_;
};

}  // namespace qm
