#include "input/AsciiSequenceDecoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TraceCapture.h"

namespace qm {
namespace {

class DecoderTest : public ::testing::Test {
protected:
    // "^" stands for Esc.
    void Feed(const std::string& characters) {
        for (const char c : characters) {
            decoder.ProcessASCIISequenceCharacter(c == '^' ? 27 : static_cast<std::uint8_t>(c));
        }
    }

    std::vector<std::int16_t> passed;
    AsciiSequenceDecoder decoder{[this](std::int16_t code) {
        passed.push_back(code);
        return true;
    }};
};

// Each stage's trace, once: a value up to 255 is shown as its character, above it in decimal.
TEST_F(DecoderTest, EachStageAndEachPassedValueIsTraced) {
    test::TraceCapture trace;
    Feed("x^^A065");
    std::vector<std::string> messages;
    const std::string prefix = "frmSerial.ProcessASCIISequenceCharacter::";
    for (const std::string& report : trace.Reports()) {
        if (report.rfind(prefix, 0) == 0) {
            messages.push_back(report.substr(prefix.size() + 1));
        }
    }
    EXPECT_EQ(messages, (std::vector<std::string>{"ASCIISequence - Not in Sequence - processing ASCII 'x'",
                                                  "ASCIISequence Sequence Stage 1 - ASCII 'Esc' Found",
                                                  "ASCIISequence - Escaped - Sending ASCII 'Esc'",
                                                  "ASCIISequence Sequence Stage 2 - ASCII 'A' Found",
                                                  "ASCIISequence Sequence Stage 3 - ASCII '0' Found",
                                                  "ASCIISequence Sequence Stage 4 - ASCII '6' Found",
                                                  "ASCIISequence Sequence Stage 5 - ASCII '5' Found",
                                                  "ASCIISequence Processing - ASCII 'A'"}));
    Feed("^A300");
    EXPECT_TRUE(trace.Contains(prefix + " ASCIISequence Processing - ASCII '300'"));
}

TEST_F(DecoderTest, SequencesGiveTheirValueAndBrokenOnesOnlyTheBreakingCharacter) {
    struct Case {
        const char* input;
        std::vector<std::int16_t> passed;
        std::int32_t stage;
        const char* digits = "";
    };
    const Case cases[] = {
        {"x", {'x'}, 0},        // no sequence
        {"^", {}, 1},           // Esc starts one
        {"^A06", {}, 4, "06"},  // and what follows waits without limit
        {"^a", {'a'}, 0},       // upper case only
        {"^Ax", {'x'}, 0},      // broken before the digits
        {"^A06x", {'x'}, 0},    // broken at the last digit
        {"^A06^", {27}, 0},     // an Esc breaking one is passed on, not a new start
        {"^^", {27}, 1},        // an escaped Esc
        {"^A007^A255^A000^A300^A999^A256", {7, 255, 0, 300, 999, 256}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.input)));
        passed.clear();
        decoder.ResetASCIISequence();
        Feed(c.input);
        EXPECT_EQ(passed, c.passed);
        EXPECT_EQ(decoder.Stage(), c.stage);
        EXPECT_EQ(decoder.Digits(), c.digits);
    }
}

}  // namespace
}  // namespace qm
