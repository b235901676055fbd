#include "input/AsciiSequenceDecoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qm {
namespace {

TEST(DecoderTest, SequencesGiveTheirValueAndBrokenOnesOnlyTheBreakingCharacter) {
    std::vector<std::int16_t> passed;
    AsciiSequenceDecoder decoder([&passed](std::int16_t code) {
        passed.push_back(code);
        return true;
    });
    struct Case {
        const char* input;
        std::vector<std::int16_t> passed;
        std::int32_t stage;
        const char* digits = "";
    };
    const Case cases[] = {
        // "^" stands for Esc.
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
        for (const char sent : std::string(c.input)) {
            decoder.ProcessASCIISequenceCharacter(sent == '^' ? 27 : static_cast<std::uint8_t>(sent));
        }
        EXPECT_EQ(passed, c.passed);
        EXPECT_EQ(decoder.Stage(), c.stage);
        EXPECT_EQ(decoder.Digits(), c.digits);
    }
}

}  // namespace
}  // namespace qm
