#include "settings/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "diag/RaisedError.h"

namespace qm {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// "&H" and "&O" numbers: up to 16 bits they are Integers and wrap like one (&HFFFF is -1), up to
// 32 bits Longs; anything wider overflows.
double ParseRadix(std::string_view digits, int base) {
    if (digits.empty()) {
        err::RaiseTypeMismatch();
    }
    std::uint64_t value = 0;
    for (char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0) {
            err::RaiseTypeMismatch();
        }
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull) {
            err::RaiseOverflow();
        }
    }
    if (value <= 0xFFFFu) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Decimal: [sign] digits [. digits] [(E|D) [sign] digits], at least one digit before the
// exponent. Parsed without the C locale so a program that set another locale reads the same.
double ParseDecimal(std::string_view text) {
    std::string normal;
    normal.reserve(text.size());
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            normal += '-';
        }
        ++i;
    }
    std::size_t mantissaDigits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++mantissaDigits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        normal += c;
    }
    if (mantissaDigits == 0) {
        err::RaiseTypeMismatch();
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        normal += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            normal += text[i];
            ++i;
        }
        std::size_t exponentDigits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            normal += text[i];
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            err::RaiseTypeMismatch();
        }
    }
    if (i != text.size()) {
        err::RaiseTypeMismatch();
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small underflows to zero harmlessly; too large is an overflow.
        const bool tiny = normal.find("e-") != std::string::npos;
        if (!tiny) {
            err::RaiseOverflow();
        }
        return 0.0;
    }
    if (ec != std::errc() || end != normal.data() + normal.size()) {
        err::RaiseTypeMismatch();
    }
    return value;
}

double ParseNumber(const std::string& text) {
    std::string_view view = text;
    while (!view.empty() && IsBlank(view.front())) {
        view.remove_prefix(1);
    }
    while (!view.empty() && IsBlank(view.back())) {
        view.remove_suffix(1);
    }
    if (view.size() >= 2 && view[0] == '&') {
        if (view[1] == 'H' || view[1] == 'h') {
            return ParseRadix(view.substr(2), 16);
        }
        if (view[1] == 'O' || view[1] == 'o') {
            return ParseRadix(view.substr(2), 8);
        }
    }
    return ParseDecimal(view);
}

template <typename Int>
Int ToWhole(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        err::RaiseOverflow();  // NaN lands here too
    }
    return static_cast<Int>(rounded);
}

// Seven significant digits, the way a Single prints: 2.5, 0.1, 1E+20.
std::string SingleText(float value) {
    char buffer[48];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == 'e') {
            c = 'E';
        }
    }
    return text;
}

}  // namespace

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction < 0.5) {
        return floor;
    }
    if (fraction > 0.5) {
        return floor + 1.0;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int16_t Variant::ToInteger() const {
    switch (GetKind()) {
        case Kind::Empty:
            return 0;
        case Kind::Null:
            err::RaiseInvalidUseOfNull();
        case Kind::Missing:
            err::RaiseTypeMismatch();
        case Kind::Integer:
            return std::get<std::int16_t>(value_);
        case Kind::Long:
            return ToWhole<std::int16_t>(std::get<std::int32_t>(value_));
        case Kind::Single:
            return ToWhole<std::int16_t>(std::get<float>(value_));
        case Kind::String:
            return ToWhole<std::int16_t>(ParseNumber(std::get<std::string>(value_)));
    }
    err::RaiseTypeMismatch();
}

std::int32_t Variant::ToLong() const {
    switch (GetKind()) {
        case Kind::Empty:
            return 0;
        case Kind::Null:
            err::RaiseInvalidUseOfNull();
        case Kind::Missing:
            err::RaiseTypeMismatch();
        case Kind::Integer:
            return std::get<std::int16_t>(value_);
        case Kind::Long:
            return std::get<std::int32_t>(value_);
        case Kind::Single:
            return ToWhole<std::int32_t>(std::get<float>(value_));
        case Kind::String:
            return ToWhole<std::int32_t>(ParseNumber(std::get<std::string>(value_)));
    }
    err::RaiseTypeMismatch();
}

float Variant::ToSingle() const {
    switch (GetKind()) {
        case Kind::Empty:
            return 0.0f;
        case Kind::Null:
            err::RaiseInvalidUseOfNull();
        case Kind::Missing:
            err::RaiseTypeMismatch();
        case Kind::Integer:
            return std::get<std::int16_t>(value_);
        case Kind::Long:
            return static_cast<float>(std::get<std::int32_t>(value_));
        case Kind::Single:
            return std::get<float>(value_);
        case Kind::String: {
            const double value = ParseNumber(std::get<std::string>(value_));
            if (!(std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max()))) {
                err::RaiseOverflow();
            }
            return static_cast<float>(value);
        }
    }
    err::RaiseTypeMismatch();
}

std::string Variant::ToText() const {
    switch (GetKind()) {
        case Kind::Empty:
            return {};
        case Kind::Null:
            err::RaiseInvalidUseOfNull();
        case Kind::Missing:
            err::RaiseTypeMismatch();
        case Kind::Integer:
            return std::to_string(std::get<std::int16_t>(value_));
        case Kind::Long:
            return std::to_string(std::get<std::int32_t>(value_));
        case Kind::Single:
            return SingleText(std::get<float>(value_));
        case Kind::String:
            return std::get<std::string>(value_);
    }
    err::RaiseTypeMismatch();
}

}  // namespace qm
