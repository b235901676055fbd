#include "settings/hive/EnvironmentStrings.h"

#include <cstdlib>
#include <optional>

#include "settings/hive/HiveKey.h"

extern char** environ;

namespace qm {

namespace {

std::optional<std::string> Lookup(const std::string& name) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (const char* value = std::getenv(name.c_str())) {
        return std::string(value);
    }
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos && SameRegistryName(text.substr(0, equals), name)) {
            return text.substr(equals + 1);
        }
    }
    return std::nullopt;
}

}  // namespace

std::string ExpandEnvironmentText(const std::string& source) {
    std::string out;
    std::size_t pos = 0;
    while (pos < source.size()) {
        const std::size_t percent = source.find('%', pos);
        if (percent == std::string::npos) {
            out.append(source, pos, std::string::npos);
            break;
        }
        out.append(source, pos, percent - pos);
        const std::size_t close = source.find('%', percent + 1);
        std::optional<std::string> value;
        if (close != std::string::npos) {
            value = Lookup(source.substr(percent + 1, close - percent - 1));
        }
        if (value) {
            out += *value;
            pos = close + 1;
        } else {
            out += '%';
            pos = percent + 1;
        }
    }
    return out;
}

}  // namespace qm
