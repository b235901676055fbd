#include "ports/LineSettings.h"

#include <limits>
#include <vector>

#include "diag/RaisedError.h"
#include "ports/SerialErrors.h"

namespace qm {

namespace {

[[noreturn]] void Refuse(std::string_view text, const std::string& why) {
    throw RaisedError(comInvalidPropertyValue, "LineSettings",
                      "Invalid property value: line settings \"" + std::string(text) + "\": " + why);
}

std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

Parity ParseParity(std::string_view text, std::string_view field) {
    // Upper-case letters mean the same and are common in hand-written settings.
    if (field.size() == 1) {
        switch (field[0]) {
            case 'n':
            case 'N':
                return Parity::None;
            case 'e':
            case 'E':
                return Parity::Even;
            case 'o':
            case 'O':
                return Parity::Odd;
            case 'm':
            case 'M':
                return Parity::Mark;
            case 's':
            case 'S':
                return Parity::Space;
            default:
                break;
        }
    }
    Refuse(text, "the parity must be one of n, e, o, m, s");
}

std::int32_t ParseDataBits(std::string_view text, std::string_view field) {
    if (field.size() == 1 && field[0] >= '4' && field[0] <= '8') {
        return field[0] - '0';
    }
    Refuse(text, "the data bits must be 4 to 8");
}

StopBits ParseStopBits(std::string_view text, std::string_view field) {
    if (field == "1") {
        return StopBits::One;
    }
    if (field == "1.5") {
        return StopBits::OneAndHalf;
    }
    if (field == "2") {
        return StopBits::Two;
    }
    Refuse(text, "the stop bits must be 1, 1.5 or 2");
}

}  // namespace

std::optional<std::int32_t> ParseBaudRate(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

LineSettings LineSettings::Parse(std::string_view text) {
    const std::vector<std::string_view> fields = SplitFields(text);
    if (fields.size() != 4) {
        Refuse(text, "expected baud rate, parity, data bits and stop bits separated by commas");
    }
    LineSettings settings;
    const auto baudRate = ParseBaudRate(fields[0]);
    if (!baudRate) {
        Refuse(text, "the baud rate must be a whole decimal number from 1 to 2147483647");
    }
    settings.baudRate = *baudRate;
    settings.parity = ParseParity(text, fields[1]);
    settings.dataBits = ParseDataBits(text, fields[2]);
    settings.stopBits = ParseStopBits(text, fields[3]);
    return settings;
}

std::string LineSettings::ToString() const {
    std::string text = std::to_string(baudRate);
    text += ',';
    text += static_cast<char>(parity);
    text += ',';
    text += std::to_string(dataBits);
    text += ',';
    switch (stopBits) {
        case StopBits::One:
            text += "1";
            break;
        case StopBits::OneAndHalf:
            text += "1.5";
            break;
        case StopBits::Two:
            text += "2";
            break;
    }
    return text;
}

}  // namespace qm
