#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "desktop/ClickEmulation.h"
#include "desktop/Desktop.h"
#include "desktop/MovementEngine.h"
#include "input/AsciiSequenceDecoder.h"
#include "input/CodeMeaning.h"
#include "input/KeystrokeInjection.h"
#include "loop/EventPump.h"
#include "ports/SerialControl.h"
#include "settings/SettingsRecord.h"

namespace qm {

// The received-characters list: the five newest codes, newest first, each with what it did. It
// lives in a fixed room, so that a character's way to its input passes no allocator.
class ReceivedCodes {
public:
    static constexpr std::size_t kKept = 5;

    void Add(std::int16_t code, CodeMeaning meaning) {
        for (std::size_t i = std::min(size_, kKept - 1); i > 0; --i) {
            codes_[i] = codes_[i - 1];
            meanings_[i] = meanings_[i - 1];
        }
        codes_[0] = code;
        meanings_[0] = meaning;
        size_ = std::min(size_ + 1, kKept);
    }
    void Clear() { size_ = 0; }
    std::size_t Size() const { return size_; }
    // The i-th newest (0 = the newest).
    std::int16_t operator[](std::size_t i) const { return codes_[i]; }
    // The i-th newest as the list shows it ("065 A").
    std::string Line(std::size_t i) const { return ReceivedLine(codes_[i], meanings_[i]); }
    const std::int16_t* begin() const { return codes_.data(); }
    const std::int16_t* end() const { return codes_.data() + size_; }
    bool operator==(const ReceivedCodes& other) const {
        const auto n = static_cast<long>(size_);
        return size_ == other.size_ && std::equal(codes_.begin(), codes_.begin() + n, other.codes_.begin()) &&
               std::equal(meanings_.begin(), meanings_.begin() + n, other.meanings_.begin());
    }

private:
    std::array<std::int16_t, kKept> codes_{};
    std::array<CodeMeaning, kKept> meanings_{};
    std::size_t size_ = 0;
};

// Where every character from the device enters: it reads the serial control's input, drops
// bytes 0 and 255, hands the rest to the sequence decoder or to ProcessCharacter, lists and
// counts each processed code and starts its action, the first match among the thirteen codes of
// the applied settings, then the optional codes, or a keystroke: a character (0-255) or, for a
// decoded value from kVirtualKeyBase on, a virtual key.
//
// The desktop input of one receive event goes out in one write, with the last character's action
// (or after the last character, if that sends nothing), where a desktop is given for it.
//
// Listening: a code dialog may ask for the next code instead (ListenForNextCode). That code is
// listed and counted as taken, handed over once and not acted on; the codes after it act again.
// It is the code ProcessCharacter sees, so in ASCII Sequence Mode the decoded value, which is what
// the settings must hold to match it.
//
// Nested events: a receive event raised while an earlier one is still being worked through (its
// actions let pending events run) does not jump the queue. Its input is read at once and worked
// through, in arrival order, as soon as the earlier input is done; every character is listed,
// acted on and counted exactly once, in the order it arrived.
class CharacterDispatcher {
public:
    // Takes the serial control's OnComm for itself. Every reference must outlive the object;
    // desktop, if given, is the one the actions use. changed, if given, is told whenever the
    // list or the count has changed.
    CharacterDispatcher(const SettingsRecord& settings, SerialControl& mscSerial, EventPump& pump,
                        AsciiSequenceDecoder& decoder, MovementEngine& movement, ClickEmulation& clicks,
                        KeystrokeInjection& keys, std::function<void()> changed = {},
                        Desktop* desktop = nullptr);
    ~CharacterDispatcher();
    CharacterDispatcher(const CharacterDispatcher&) = delete;
    CharacterDispatcher& operator=(const CharacterDispatcher&) = delete;

    // The serial control's communication event; acts only on a receive event.
    void MscSerial_OnComm();
    // Lists, matches and counts one code (the decoder passes codes up to 999).
    bool ProcessCharacter(std::int16_t code);
    bool UpdateBytesReceived();
    // The Reset button: count 0.
    bool ResetBytesReceived();

    const ReceivedCodes& Received() const { return received_; }
    std::int32_t BytesReceived() const { return bytesReceived_; }
    // Characters counted since the start; Reset leaves it.
    std::uint64_t Counted() const { return counted_; }
    // Empties the received-characters list (start-up does this before the settings load).
    void ClearReceivedBuffer() { received_.Clear(); }
    // The port has closed: what was read and not yet worked through is dropped, and so is the
    // rest of the input being worked through now, so that nothing is typed after the line is gone.
    void DropPendingInput();

    // The next code goes to taken, once, instead of to its action; a later call replaces the
    // listener. A listener set while a code is being processed waits for the code after it.
    void ListenForNextCode(std::function<void(std::int16_t)> taken) { listener_ = std::move(taken); }
    // Ends the listening: the next code acts again.
    void StopListening() { listener_ = nullptr; }

    // Starts the count from a given value, as if that many had arrived (nobody is told). For
    // diagnostics, tests and benchmarks.
    void SetBytesReceived(std::int32_t count) { bytesReceived_ = count; }

private:
    struct PendingInput {
        std::string text;
        bool sequenceMode = false;
    };
    void WorkThrough(const PendingInput& input);
    // Starts the action of one of the optional codes.
    void StartAdded(CodeAction action);

    const SettingsRecord& settings_;
    SerialControl& serial_;
    EventPump& pump_;
    AsciiSequenceDecoder& decoder_;
    MovementEngine& movement_;
    ClickEmulation& clicks_;
    KeystrokeInjection& keys_;
    std::function<void()> changed_;
    Desktop* desktop_;
    std::function<void(std::int16_t)> listener_;

    ReceivedCodes received_;
    std::int32_t bytesReceived_ = 0;
    std::uint64_t counted_ = 0;
    // Inputs read but not yet worked through, oldest first, and whether a receive event further
    // out is already working through them.
    std::deque<PendingInput> pending_;
    bool workingThrough_ = false;
    // The batch of the input being worked through, and whether its last character is the one
    // being processed.
    InputBatch* batch_ = nullptr;
    bool lastOfInput_ = false;
    // Bumped when input is dropped; an input being worked through stops when it moves on.
    std::uint64_t dropGeneration_ = 0;
};

}  // namespace qm
