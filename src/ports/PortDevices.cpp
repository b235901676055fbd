#include "ports/PortDevices.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>

namespace qm {
namespace {

// Registry limits: a value name has at most 16383 characters; device paths are short, so a
// value whose data passes a megabyte is not one of ours and ends the read.
constexpr DWORD kLargestName = 16384;
constexpr DWORD kLargestData = 1u << 20;

// Text data up to its first NUL.
std::string Text(const std::vector<unsigned char>& data, DWORD size) {
    const auto end = data.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(size, data.size()));
    return std::string(data.begin(), std::find(data.begin(), end, 0));
}

std::optional<std::string> Expand(RegistryApi& registry, const std::string& text) {
    const DWORD needed = registry.ExpandEnvironmentStringsA(text, nullptr, 0);
    if (needed == 0) {
        return std::nullopt;
    }
    std::string buffer(needed, '\0');
    const DWORD used = registry.ExpandEnvironmentStringsA(text, buffer.data(), needed);
    if (used == 0 || used > needed) {
        return std::nullopt;
    }
    buffer.resize(std::min(buffer.find('\0'), static_cast<std::size_t>(used - 1)));
    return buffer;
}

LONG ReadValues(RegistryApi& registry, HKEY key, std::vector<PortDevice>& entries) {
    std::vector<char> name(256);
    std::vector<unsigned char> data(512);
    DWORD index = 0;
    for (;;) {
        auto nameSize = static_cast<DWORD>(name.size());
        auto dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG result =
            registry.RegEnumValueA(key, index, name.data(), &nameSize, &type, data.data(), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            return ERROR_SUCCESS;
        }
        if (result == ERROR_MORE_DATA) {
            // Either buffer may be short, and only the data's size is reported: grow what can grow.
            bool grew = false;
            if (dataSize > data.size() && dataSize <= kLargestData) {
                data.resize(
                    std::min<std::size_t>(std::max<std::size_t>(dataSize, data.size() * 2), kLargestData));
                grew = true;
            }
            if (name.size() < kLargestName) {
                name.resize(std::min<std::size_t>(name.size() * 2, kLargestName));
                grew = true;
            }
            if (!grew) {
                return ERROR_MORE_DATA;
            }
            continue;
        }
        if (result != ERROR_SUCCESS) {
            return result;
        }
        const std::string valueName(name.data(), std::min<std::size_t>(nameSize, name.size()));
        const std::string text = Text(data, dataSize);
        if (type == REG_SZ) {
            entries.push_back({valueName, text});
        } else if (type == REG_EXPAND_SZ) {
            if (std::optional<std::string> expanded = Expand(registry, text)) {
                entries.push_back({valueName, *expanded});
            }
        }
        ++index;
    }
}

}  // namespace

LONG ReadPortDevices(RegistryApi& registry, std::vector<PortDevice>& entries) {
    entries.clear();
    HKEY key = 0;
    const LONG opened = registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPortDevicesKey, 0, KEY_READ, &key);
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    LONG result = ERROR_SUCCESS;
    try {
        result = ReadValues(registry, key, entries);
    } catch (...) {
        registry.RegCloseKey(key);
        entries.clear();
        throw;
    }
    registry.RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        entries.clear();
    }
    return result;
}

}  // namespace qm
