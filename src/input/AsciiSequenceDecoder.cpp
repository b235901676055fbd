#include "input/AsciiSequenceDecoder.h"

#include <utility>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"

namespace qm {
namespace {

constexpr const char* kProcess = "frmSerial.ProcessASCIISequenceCharacter";
constexpr const char* kReset = "frmSerial.ResetASCIISequence";

constexpr std::int16_t kEsc = 27;
constexpr std::int16_t kA = 'A';

bool IsDigit(std::int16_t code) {
    return code >= '0' && code <= '9';
}

// The character with this code, for the messages. Only 0 to 255 have one.
std::string Chr(std::int32_t code) {
    if (code < 0 || code > 255) {
        throw RaisedError(err::InvalidProcedureCall, "frmSerial", "Invalid procedure call or argument");
    }
    return std::string(1, static_cast<char>(static_cast<unsigned char>(code)));
}

}  // namespace

AsciiSequenceDecoder::AsciiSequenceDecoder(ProcessCharacterFn processCharacter)
    : processCharacter_(std::move(processCharacter)) {}

void AsciiSequenceDecoder::ResetASCIISequence() {
    Trace(kReset, TraceEntry, "");
    Forget();
    Trace(kReset, TraceExit, "");
}

void AsciiSequenceDecoder::Forget() {
    stage_ = 0;
    digits_.clear();
}

void AsciiSequenceDecoder::PassOn(std::int16_t code) {
    Trace(kProcess, TraceMessage, "ASCIISequence - Not in Sequence - processing ASCII '" + Chr(code) + "'");
    processCharacter_(code);
    ResetASCIISequence();
}

void AsciiSequenceDecoder::ProcessASCIISequenceCharacter(std::int16_t code) {
    Traced(kProcess, [&] {
        switch (stage_) {
            case 0:
                if (code == kEsc) {
                    digits_.clear();
                    stage_ = 1;
                    Trace(kProcess, TraceMessage, "ASCIISequence Sequence Stage 1 - ASCII 'Esc' Found");
                } else {
                    PassOn(code);
                }
                break;
            case 1:
                if (code == kA) {
                    stage_ = 2;
                    Trace(kProcess, TraceMessage, "ASCIISequence Sequence Stage 2 - ASCII 'A' Found");
                } else if (code == kEsc) {
                    // The next character is read as the second one of a sequence again.
                    Trace(kProcess, TraceMessage, "ASCIISequence - Escaped - Sending ASCII 'Esc'");
                    processCharacter_(kEsc);
                } else {
                    PassOn(code);
                }
                break;
            case 2:
            case 3:
                if (IsDigit(code)) {
                    stage_ += 1;
                    digits_ += Chr(code);
                    Trace(kProcess, TraceMessage,
                          "ASCIISequence Sequence Stage " + std::to_string(stage_) + " - ASCII '" +
                              Chr(code) + "' Found");
                } else {
                    PassOn(code);
                }
                break;
            case 4:
                if (IsDigit(code)) {
                    Trace(kProcess, TraceMessage,
                          "ASCIISequence Sequence Stage 5 - ASCII '" + Chr(code) + "' Found");
                    digits_ += Chr(code);
                    const auto value = static_cast<std::int16_t>(std::stoi(digits_));
                    // 256 to 999 have no character: the value is shown in decimal instead. It is
                    // still passed on, to be listed and counted like any other code.
                    const std::string shown = value <= 255 ? Chr(value) : std::to_string(value);
                    Trace(kProcess, TraceMessage, "ASCIISequence Processing - ASCII '" + shown + "'");
                    processCharacter_(value);
                    ResetASCIISequence();
                } else {
                    PassOn(code);
                }
                break;
            default:
                // Not reachable through the transitions; start afresh rather than stick.
                ResetASCIISequence();
                break;
        }
    });
}

}  // namespace qm
