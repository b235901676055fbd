#include "settings/Variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "diag/RaisedError.h"

namespace qm {
namespace {

std::int32_t ErrorOf(const std::function<void()>& conversion) {
    try {
        conversion();
    } catch (const RaisedError& error) {
        return error.Number();
    }
    return 0;
}

TEST(Variant, EmptyNullAndMissingStayApart) {
    const Variant empty;
    const Variant null = Variant::Null();
    const Variant missing = Variant::Missing();
    EXPECT_TRUE(empty.IsEmpty() && !empty.IsNull() && !empty.IsMissing());
    EXPECT_TRUE(null.IsNull() && !null.IsEmpty() && !null.IsMissing());
    EXPECT_TRUE(missing.IsMissing() && !missing.IsEmpty() && !missing.IsNull());
    EXPECT_NE(empty, null);
    EXPECT_NE(empty, missing);
    EXPECT_NE(null, missing);
    // An empty text is a value, not an empty Variant.
    EXPECT_FALSE(Variant("").IsEmpty());
    EXPECT_EQ(Variant("").GetKind(), Variant::Kind::String);

    // Empty converts; null and missing do not.
    EXPECT_EQ(empty.ToInteger(), 0);
    EXPECT_EQ(empty.ToText(), "");
    EXPECT_EQ(ErrorOf([&] { null.ToInteger(); }), err::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([&] { null.ToText(); }), err::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([&] { null.ToSingle(); }), err::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([&] { missing.ToLong(); }), err::TypeMismatch);
}

TEST(Variant, TextToNumber) {
    EXPECT_EQ(Variant("5").ToInteger(), 5);
    EXPECT_EQ(Variant(" -17 ").ToLong(), -17);
    EXPECT_EQ(Variant("2400").ToLong(), 2400);
    EXPECT_EQ(Variant("&HFF").ToLong(), 255);
    EXPECT_EQ(Variant("&hff").ToInteger(), 255);
    EXPECT_EQ(Variant("&O17").ToInteger(), 15);
    EXPECT_EQ(Variant("1E3").ToLong(), 1000);
    EXPECT_FLOAT_EQ(Variant("2.5").ToSingle(), 2.5f);
    EXPECT_FLOAT_EQ(Variant(".5").ToSingle(), 0.5f);

    for (const char* bad : {"", " ", "abc", "5x", "1,5", "&H", "&Hzz", "--1", "1e", "."}) {
        EXPECT_EQ(ErrorOf([&] { Variant(bad).ToInteger(); }), err::TypeMismatch) << '"' << bad << '"';
    }
    // The separators of a multi-string make it no number either.
    EXPECT_EQ(ErrorOf([] { Variant(std::string("1\0002", 3)).ToLong(); }), err::TypeMismatch);
}

TEST(Variant, WholeNumbersRoundHalfToEven) {
    EXPECT_EQ(Variant(2.5f).ToLong(), 2);
    EXPECT_EQ(Variant(3.5f).ToLong(), 4);
    EXPECT_EQ(Variant(-2.5f).ToLong(), -2);
    EXPECT_EQ(Variant(-3.5f).ToInteger(), -4);
    EXPECT_EQ(Variant(2.6f).ToInteger(), 3);
    EXPECT_EQ(Variant(2.4f).ToInteger(), 2);
    EXPECT_EQ(Variant("0.5").ToInteger(), 0);
    EXPECT_EQ(Variant("1.5").ToInteger(), 2);
}

TEST(Variant, OutOfRangeOverflows) {
    EXPECT_EQ(Variant(std::int32_t{32767}).ToInteger(), 32767);
    EXPECT_EQ(Variant(std::int32_t{-32768}).ToInteger(), -32768);
    EXPECT_EQ(ErrorOf([] { Variant(std::int32_t{32768}).ToInteger(); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { Variant(std::int32_t{-32769}).ToInteger(); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { Variant("40000").ToInteger(); }), err::Overflow);
    // 32767.5 rounds to the even 32768, out of range.
    EXPECT_EQ(ErrorOf([] { Variant("32767.5").ToInteger(); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { Variant("2147483648").ToLong(); }), err::Overflow);
    EXPECT_EQ(Variant("-2147483648").ToLong(), INT32_MIN);
    EXPECT_EQ(ErrorOf([] { Variant(3e9f).ToLong(); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { Variant("1e39").ToSingle(); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { Variant("1e400").ToLong(); }), err::Overflow);
    EXPECT_FLOAT_EQ(Variant("1e-50").ToSingle(), 0.0f);
    // A wide hexadecimal number overflows too.
    EXPECT_EQ(ErrorOf([] { Variant("&H123456789").ToLong(); }), err::Overflow);
}

TEST(Variant, NumberToText) {
    EXPECT_EQ(Variant(std::int16_t{-5}).ToText(), "-5");
    EXPECT_EQ(Variant(std::int32_t{2400}).ToText(), "2400");
    EXPECT_EQ(Variant(2.5f).ToText(), "2.5");
    EXPECT_EQ(Variant(2.0f).ToText(), "2");
    EXPECT_EQ(Variant(0.1f).ToText(), "0.1");
    EXPECT_EQ(Variant(1e20f).ToText(), "1E+20");
}

}  // namespace
}  // namespace qm
