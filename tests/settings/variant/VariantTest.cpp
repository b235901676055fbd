#include "settings/Variant.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "support/Raised.h"

namespace qm {
namespace {

using test::RaisedBy;

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
    EXPECT_EQ(RaisedBy([&] { null.ToInteger(); }).number, err::InvalidUseOfNull);
    EXPECT_EQ(RaisedBy([&] { null.ToText(); }).number, err::InvalidUseOfNull);
    EXPECT_EQ(RaisedBy([&] { null.ToSingle(); }).number, err::InvalidUseOfNull);
    EXPECT_EQ(RaisedBy([&] { missing.ToLong(); }).number, err::TypeMismatch);
}

// Texts and floats to whole numbers: hexadecimal and octal forms, exponents, halves rounded to
// even; what does not fit overflows.
TEST(Variant, ToWholeNumber) {
    const std::pair<Variant, std::int32_t> converted[] = {
        {" -17 ", -17}, {"&HFF", 255}, {"&hff", 255}, {"&O17", 15},
        {"1E3", 1000},  {2.5f, 2},     {3.5f, 4},     {-2.5f, -2},
        {-3.5f, -4},    {2.6f, 3},     {"1.5", 2},    {"-2147483648", INT32_MIN}};
    for (const auto& [value, number] : converted) {
        EXPECT_EQ(value.ToLong(), number) << value.ToText();
    }
    for (const Variant& wide :
         {Variant("2147483648"), Variant(3e9f), Variant("1e400"), Variant("&H123456789")}) {
        EXPECT_EQ(RaisedBy([&] { wide.ToLong(); }).number, err::Overflow) << wide.ToText();
    }
    EXPECT_EQ(RaisedBy([] { Variant(std::string("1\0002", 3)).ToLong(); }).number, err::TypeMismatch)
        << "a multi-string is no number";
    for (const char* bad : {"", " ", "abc", "5x", "1,5", "&H", "&Hzz", "--1", "1e", "."}) {
        EXPECT_EQ(RaisedBy([&] { Variant(bad).ToInteger(); }).number, err::TypeMismatch) << '"' << bad << '"';
    }
    // Integers are 16 bits; 32767.5 rounds to the even 32768, out of range.
    EXPECT_EQ(Variant(std::int32_t{-32768}).ToInteger(), -32768);
    EXPECT_EQ(Variant(-3.5f).ToInteger(), -4);
    for (const Variant& wide : {Variant(std::int32_t{32768}), Variant(std::int32_t{-32769}), Variant("40000"),
                                Variant("32767.5")}) {
        EXPECT_EQ(RaisedBy([&] { wide.ToInteger(); }).number, err::Overflow) << wide.ToText();
    }
}

TEST(Variant, SinglesAndText) {
    EXPECT_FLOAT_EQ(Variant("2.5").ToSingle(), 2.5f);
    EXPECT_FLOAT_EQ(Variant(".5").ToSingle(), 0.5f);
    EXPECT_FLOAT_EQ(Variant("1e-50").ToSingle(), 0.0f);
    EXPECT_EQ(RaisedBy([] { Variant("1e39").ToSingle(); }).number, err::Overflow);
    EXPECT_EQ(Variant(2.5f).ToText(), "2.5");
    EXPECT_EQ(Variant(0.1f).ToText(), "0.1");
    EXPECT_EQ(Variant(1e20f).ToText(), "1E+20");
}

}  // namespace
}  // namespace qm
