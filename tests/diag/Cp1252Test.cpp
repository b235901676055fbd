#include "diag/Cp1252.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(Cp1252, EveryByteRoundTripsThroughUnicodeAndUtf8) {
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t cp = Cp1252ToUnicode(static_cast<unsigned char>(byte));
        EXPECT_EQ(UnicodeToCp1252(cp), byte) << byte;
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(Cp1252FromUtf8(Utf8FromCp1252(one)), one) << byte;
    }
    EXPECT_EQ(Cp1252ToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(Cp1252ToUnicode(0xE9), U'\u00E9');
    EXPECT_EQ(UnicodeToCp1252(U'\u0416'), -1);  // Cyrillic has no byte
    EXPECT_EQ(Cp1252FromUtf8("caf\xC3\xA9 \xE2\x82\xAC \xD0\x96 \xFF"), "caf\xE9 \x80 ? ?");
}

}  // namespace
}  // namespace qm
