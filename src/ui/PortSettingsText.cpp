#include "ui/PortSettingsText.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "desktop/Rounding.h"
#include "diag/RaisedError.h"

namespace qm {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The text without surrounding blanks, checked against the accepted number form.
bool ParseNumber(const std::string& text, double& value) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    bool negative = false;
    if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
        negative = text[begin] == '-';
        ++begin;
    }
    // Only digits, one point and an exponent: from_chars alone would also take "inf" and "nan".
    std::size_t i = begin;
    std::size_t digits = 0;
    while (i < end && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
        ++digits;
    }
    if (i < end && text[i] == '.') {
        ++i;
        while (i < end && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < end && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    if (i != end) {
        return false;
    }
    double parsed = 0;
    const auto result = std::from_chars(text.data() + begin, text.data() + end, parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + end || !std::isfinite(parsed)) {
        return false;
    }
    value = negative ? -parsed : parsed;
    return true;
}

}  // namespace

bool IsNumeric(const std::string& text) {
    double ignored = 0;
    return ParseNumber(text, ignored);
}

double ToDouble(const std::string& text) {
    double value = 0;
    if (!ParseNumber(text, value)) {
        err::RaiseTypeMismatch("frmSerial");
    }
    return value;
}

std::int32_t RoundToWholeNumber(double value) {
    return RoundToInt32(value);
}

std::int32_t ToWholeNumber(const std::string& text) {
    return RoundToWholeNumber(ToDouble(text));
}

std::string StopBitsText(std::int32_t stored) {
    if (stored == kStopBitsOneAndHalf) {
        return "1.5";
    }
    return std::to_string(stored);
}

std::int32_t StopBitsStored(const std::string& text) {
    const double value = ToDouble(text);
    if (value == 1.5) {
        return kStopBitsOneAndHalf;
    }
    return RoundToWholeNumber(value);
}

double StopBitsValue(std::int32_t stored) {
    return stored == kStopBitsOneAndHalf ? 1.5 : static_cast<double>(stored);
}

std::string ParityLetter(const std::string& parityName) {
    if (parityName.empty()) {
        return {};
    }
    return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(parityName[0]))));
}

}  // namespace qm
