#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace qm {

// The value that crosses the registry classes: empty, null, an argument the caller left out
// (missing), a 16-bit or 32-bit signed whole number, a 32-bit float, or a text (ANSI bytes).
// The three "no value" states stay apart: a registry read that found nothing gives empty,
// a setting that had to exist and did not gives null, and an omitted optional argument is
// missing.
//
// Conversions follow the usual Variant rules and raise qm::RaisedError:
// - numeric text converts (blanks around it allowed, "&H" hexadecimal and "&O" octal too);
//   an empty or non-numeric text is Type mismatch (13);
// - null is Invalid use of Null (94); missing is Type mismatch;
// - empty converts to 0 or to the empty text;
// - a value outside the target's range is Overflow (6);
// - conversions to whole numbers round half to even (2.5 -> 2, 3.5 -> 4).
class Variant {
public:
    enum class Kind { Empty, Null, Missing, Integer, Long, Single, String };

    Variant() = default;
    Variant(std::int16_t value) : value_(value) {}
    Variant(std::int32_t value) : value_(value) {}
    Variant(float value) : value_(value) {}
    Variant(std::string value) : value_(std::move(value)) {}
    Variant(const char* value) : value_(std::string(value)) {}

    static Variant Null() { return Variant(NullTag{}); }
    static Variant Missing() { return Variant(MissingTag{}); }

    Kind GetKind() const { return static_cast<Kind>(value_.index()); }
    bool IsEmpty() const { return GetKind() == Kind::Empty; }
    bool IsNull() const { return GetKind() == Kind::Null; }
    bool IsMissing() const { return GetKind() == Kind::Missing; }

    std::int16_t ToInteger() const;  // CInt
    std::int32_t ToLong() const;     // CLng
    float ToSingle() const;          // CSng
    std::string ToText() const;      // CStr

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    struct EmptyTag {
        friend bool operator==(EmptyTag, EmptyTag) = default;
    };
    struct NullTag {
        friend bool operator==(NullTag, NullTag) = default;
    };
    struct MissingTag {
        friend bool operator==(MissingTag, MissingTag) = default;
    };

    explicit Variant(NullTag tag) : value_(tag) {}
    explicit Variant(MissingTag tag) : value_(tag) {}

    // The order matches Kind.
    std::variant<EmptyTag, NullTag, MissingTag, std::int16_t, std::int32_t, float, std::string> value_;
};

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

}  // namespace qm
