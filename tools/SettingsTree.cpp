#include "SettingsTree.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "settings/SettingsLayout.h"
#include "settings/clsRegistry.h"
#include "settings/hive/RegFormat.h"

namespace qm::SettingsTree {
namespace {

const std::string kRootName = "HKEY_LOCAL_MACHINE\\";

// The base key without its trailing separator, as a section header names it.
std::string BasePath() {
    std::string base = layout::kBaseKey;
    while (!base.empty() && base.back() == '\\') {
        base.pop_back();
    }
    return base;
}

std::string FullPath(const std::string& key) {
    std::string relative = key;
    while (!relative.empty() && relative.front() == '\\') {
        relative.erase(0, 1);
    }
    return relative.empty() ? BasePath() : layout::kBaseKey + relative;
}

RegValue Dword(std::uint32_t number) {
    return {REG_DWORD,
            {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
             static_cast<unsigned char>(number >> 16), static_cast<unsigned char>(number >> 24)}};
}

RegValue Text(const std::string& text, DWORD type = REG_SZ) {
    RegValue value{type, std::vector<unsigned char>(text.begin(), text.end())};
    value.data.push_back(0);
    return value;
}

std::uint32_t DwordOf(const RegValue& value) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < value.data.size() && i < 4; ++i) {
        number |= static_cast<std::uint32_t>(value.data[i]) << (8 * i);
    }
    return number;
}

Status Failed(LONG code, std::string what) {
    return {code, std::move(what)};
}

// Keys opened for one operation, closed on every path out.
class Key {
public:
    explicit Key(RegistryApi& api) : api_(api) {}
    ~Key() {
        if (open_) {
            api_.RegCloseKey(handle_);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    LONG Open(const std::string& path, REGSAM desired) {
        const LONG result = api_.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, desired, &handle_);
        open_ = result == ERROR_SUCCESS;
        return result;
    }
    LONG Create(const std::string& path, bool* created = nullptr) {
        DWORD disposition = 0;
        const LONG result = api_.RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, "", REG_OPTION_NON_VOLATILE,
                                                 KEY_ALL_ACCESS, &handle_, &disposition);
        open_ = result == ERROR_SUCCESS;
        if (created != nullptr) {
            *created = open_ && disposition == REG_CREATED_NEW_KEY;
        }
        return result;
    }
    LONG Close() {
        open_ = false;
        return api_.RegCloseKey(handle_);
    }
    HKEY Handle() const { return handle_; }

private:
    RegistryApi& api_;
    HKEY handle_ = 0;
    bool open_ = false;
};

// The whole value, however long.
LONG Query(RegistryApi& api, HKEY key, const std::string& name, RegValue& value) {
    DWORD size = 0;
    LONG result = api.RegQueryValueExA(key, name, &value.type, nullptr, &size);
    for (int attempt = 0; result == ERROR_SUCCESS && attempt < 4; ++attempt) {
        value.data.assign(size, 0);
        DWORD fetched = size;
        result = api.RegQueryValueExA(key, name, &value.type, value.data.data(), &fetched);
        if (result == ERROR_SUCCESS) {
            value.data.resize(fetched);
            return result;
        }
        if (result == ERROR_MORE_DATA) {  // it grew meanwhile
            size = fetched > size ? fetched : size * 2 + 16;
            result = ERROR_SUCCESS;
        }
    }
    return result;
}

// ------------------------------------------------------------------------------------------
// The REGEDIT4 form, written by the file store's own writer so that an export always reads back.

Status ExportKey(RegistryApi& api, const std::string& path, bool recurse, std::string& text) {
    Key key(api);
    LONG result = key.Open(path, KEY_READ);
    if (result != ERROR_SUCCESS) {
        return Failed(result, "open key " + path);
    }
    std::vector<HiveValue> values;
    for (DWORD index = 0;; ++index) {
        std::vector<char> name(kMaxValueNameLength + 1);
        RegValue value;
        DWORD dataSize = 0;
        for (DWORD capacity = 1024;;) {
            value.data.assign(capacity, 0);
            DWORD nameSize = static_cast<DWORD>(name.size());
            dataSize = capacity;
            result = api.RegEnumValueA(key.Handle(), index, name.data(), &nameSize, &value.type,
                                       value.data.data(), &dataSize);
            if (result != ERROR_MORE_DATA || capacity >= (1u << 24)) {
                name.resize(nameSize);
                break;
            }
            capacity = dataSize > capacity ? dataSize : capacity * 4;
        }
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS) {
            return Failed(result, "list the values of " + path);
        }
        value.data.resize(dataSize);
        values.push_back({std::string(name.begin(), name.end()), value.type, std::move(value.data)});
    }
    text += RegFormat::Section(kRootName + path, values);
    std::vector<std::string> subKeys;
    for (DWORD index = 0; recurse; ++index) {
        char name[kMaxKeyNameLength + 1] = {};
        DWORD nameSize = sizeof name;
        result = api.RegEnumKeyExA(key.Handle(), index, name, &nameSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS) {
            return Failed(result, "list the subkeys of " + path);
        }
        subKeys.emplace_back(name, nameSize);
    }
    result = key.Close();
    if (result != ERROR_SUCCESS) {
        return Failed(result, "close key " + path);
    }
    for (const std::string& subKey : subKeys) {
        Status status = ExportKey(api, std::string(path).append("\\").append(subKey), true, text);
        if (!status.Ok()) {
            return status;
        }
    }
    return {};
}

// ------------------------------------------------------------------------------------------
// Data from text.

std::optional<std::uint32_t> ParseDword(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint32_t number = 0;
        const auto [end, ec] = std::from_chars(first + 2, last, number, 16);
        if (ec != std::errc() || end != last || text.size() > 10) {
            return std::nullopt;
        }
        return number;
    }
    std::int64_t number = 0;
    const auto [end, ec] = std::from_chars(first, last, number, 10);
    if (ec != std::errc() || end != last || text.empty() || number < INT32_MIN || number > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(number);
}

}  // namespace

using layout::Default;

const std::vector<DefaultCode>& DefaultCodes() {
    static const std::vector<DefaultCode> codes = [] {
        std::vector<DefaultCode> found;
        for (const layout::Setting& setting : layout::Settings()) {
            if (setting.fallback.value.IsMissing()) {
                found.push_back({setting.valueName, setting.key, setting.fallback.installedCode,
                                 setting.fallback.meaning});
            }
        }
        return found;
    }();
    return codes;
}

std::vector<DefaultSetting> DefaultSettings() {
    std::vector<DefaultSetting> settings;
    for (const layout::Setting& setting : layout::Settings()) {
        if (setting.optional) {
            continue;  // absent is its default; a tree is installed as it always was
        }
        const Default& fallback = setting.fallback;
        const RegValue value =
            fallback.value.IsMissing() ? Dword(static_cast<std::uint32_t>(fallback.installedCode))
            : layout::IsText(setting)  ? Text(fallback.value.ToText())
                                       : Dword(static_cast<std::uint32_t>(fallback.value.ToLong()));
        settings.push_back({setting.key, setting.valueName, value});
    }
    return settings;
}

std::vector<std::string> TreeKeys(bool deviceMap) {
    std::vector<std::string> keys = {BasePath()};
    const auto add = [&](const std::string& path) {
        if (std::find(keys.begin(), keys.end(), path) == keys.end()) {
            keys.push_back(path);
        }
    };
    for (const layout::Setting& setting : layout::Settings()) {
        const std::string key = setting.key;
        // Each key's parents first, so that the tree is made from the top.
        for (std::size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1)) {
            add(FullPath(key.substr(0, at)));
        }
        if (!key.empty()) {
            add(FullPath(key));
        }
    }
    if (deviceMap) {
        add(FullPath(layout::kDevicesKey));
    }
    keys.emplace_back(layout::kRunKey);
    return keys;
}

Status EnsureTree(RegistryApi& api, EnsureReport* report, bool deviceMap) {
    for (const std::string& path : TreeKeys(deviceMap)) {
        Key key(api);
        bool created = false;
        LONG result = key.Create(path, &created);
        if (result != ERROR_SUCCESS) {
            return Failed(result, "create key " + path);
        }
        result = key.Close();
        if (result != ERROR_SUCCESS) {
            return Failed(result, "close key " + path);
        }
        if (created && report != nullptr) {
            report->keysCreated.push_back(path);
        }
    }
    for (const DefaultSetting& setting : DefaultSettings()) {
        const std::string path = FullPath(setting.key);
        const std::string where = setting.key + "\\" + setting.valueName;
        Key key(api);
        LONG result = key.Open(path, KEY_ALL_ACCESS);
        if (result != ERROR_SUCCESS) {
            return Failed(result, "open key " + path);
        }
        DWORD type = REG_NONE;
        DWORD size = 0;
        result = api.RegQueryValueExA(key.Handle(), setting.valueName, &type, nullptr, &size);
        if (result == ERROR_SUCCESS) {
            if (report != nullptr) {
                ++report->valuesKept;
            }
        } else if (result == ERROR_FILE_NOT_FOUND) {
            result =
                api.RegSetValueExA(key.Handle(), setting.valueName, setting.value.type,
                                   setting.value.data.data(), static_cast<DWORD>(setting.value.data.size()));
            if (result != ERROR_SUCCESS) {
                return Failed(result, "write " + where);
            }
            if (report != nullptr) {
                report->valuesWritten.push_back(where);
            }
        } else {
            return Failed(result, "read " + where);
        }
        result = key.Close();
        if (result != ERROR_SUCCESS) {
            return Failed(result, "close key " + path);
        }
    }
    return {};
}

bool IsPortName(const std::string& name) {
    if (name.size() < 5 || name.size() > 7 || name.compare(0, 3, "COM") != 0 || name.back() != ':') {
        return false;
    }
    const std::string digits = name.substr(3, name.size() - 4);
    if (digits[0] == '0') {
        return false;
    }
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

Status MapPort(RegistryApi& api, const std::string& portName, const std::string& device) {
    const std::string path = FullPath(layout::kDevicesKey);
    Key key(api);
    LONG result = key.Create(path);
    if (result != ERROR_SUCCESS) {
        return Failed(result, "create key " + path);
    }
    const RegValue value = Text(device);
    result = api.RegSetValueExA(key.Handle(), portName, value.type, value.data.data(),
                                static_cast<DWORD>(value.data.size()));
    if (result != ERROR_SUCCESS) {
        return Failed(result, "write " + std::string(layout::kDevicesKey) + "\\" + portName);
    }
    result = key.Close();
    if (result != ERROR_SUCCESS) {
        return Failed(result, "close key " + path);
    }
    return {};
}

Status UnmapPort(RegistryApi& api, const std::string& portName) {
    const std::string path = FullPath(layout::kDevicesKey);
    Key key(api);
    LONG result = key.Open(path, KEY_ALL_ACCESS);
    if (result != ERROR_SUCCESS) {
        return Failed(result, "open key " + path);
    }
    result = api.RegDeleteValueA(key.Handle(), portName);
    if (result != ERROR_SUCCESS) {
        return Failed(result, "remove " + std::string(layout::kDevicesKey) + "\\" + portName);
    }
    result = key.Close();
    if (result != ERROR_SUCCESS) {
        return Failed(result, "close key " + path);
    }
    return {};
}

Status ReadValue(RegistryApi& api, const std::string& key, const std::string& valueName, RegValue& value) {
    const std::string path = FullPath(key);
    Key opened(api);
    LONG result = opened.Open(path, KEY_READ);
    if (result != ERROR_SUCCESS) {
        return Failed(result, "open key " + path);
    }
    result = Query(api, opened.Handle(), valueName, value);
    if (result != ERROR_SUCCESS) {
        return Failed(result, "read " + key + "\\" + valueName);
    }
    result = opened.Close();
    if (result != ERROR_SUCCESS) {
        return Failed(result, "close key " + path);
    }
    return {};
}

Status WriteValue(RegistryApi& api, const std::string& key, const std::string& valueName,
                  const RegValue& value) {
    const std::string path = FullPath(key);
    Key opened(api);
    LONG result = opened.Open(path, KEY_WRITE);
    if (result != ERROR_SUCCESS) {
        return Failed(result, "open key " + path);
    }
    result = api.RegSetValueExA(opened.Handle(), valueName, value.type, value.data.data(),
                                static_cast<DWORD>(value.data.size()));
    if (result != ERROR_SUCCESS) {
        return Failed(result, "write " + key + "\\" + valueName);
    }
    result = opened.Close();
    if (result != ERROR_SUCCESS) {
        return Failed(result, "close key " + path);
    }
    return {};
}

Status Export(RegistryApi& api, std::string& text) {
    text = RegFormat::Header();
    Status status = ExportKey(api, BasePath(), true, text);
    if (!status.Ok()) {
        return status;
    }
    // Only the program's own entry belongs to the settings; other programs' stay private.
    Key run(api);
    LONG result = run.Open(layout::kRunKey, KEY_READ);
    if (result == ERROR_FILE_NOT_FOUND) {
        return {};
    }
    if (result != ERROR_SUCCESS) {
        return Failed(result, "open key " + std::string(layout::kRunKey));
    }
    std::vector<HiveValue> entries;
    RegValue entry;
    result = Query(api, run.Handle(), layout::kProductName, entry);
    if (result == ERROR_SUCCESS) {
        entries.push_back({layout::kProductName, entry.type, std::move(entry.data)});
    } else if (result != ERROR_FILE_NOT_FOUND) {
        return Failed(result, "read the Run entry");
    }
    text += RegFormat::Section(kRootName + layout::kRunKey, entries);
    result = run.Close();
    if (result != ERROR_SUCCESS) {
        return Failed(result, "close key " + std::string(layout::kRunKey));
    }
    return {};
}

std::optional<DWORD> TypeFromName(const std::string& name) {
    for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ}) {
        if (TypeName(type) == name) {
            return type;
        }
    }
    return std::nullopt;
}

std::string TypeName(DWORD type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK:
            return "REG_LINK";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_RESOURCE_LIST:
            return "REG_RESOURCE_LIST";
        default:
            return "type " + std::to_string(type);
    }
}

std::optional<RegValue> ParseValue(DWORD type, const std::vector<std::string>& data, std::string& error) {
    const auto one = [&]() -> const std::string* {
        if (data.size() != 1) {
            error = TypeName(type) + " takes exactly one DATA argument";
            return nullptr;
        }
        return &data[0];
    };
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            const std::string* text = one();
            if (text == nullptr) {
                return std::nullopt;
            }
            if (text->find('\0') != std::string::npos) {
                error = "a text cannot hold a NUL character";
                return std::nullopt;
            }
            return Text(*text, type);
        }
        case REG_MULTI_SZ: {
            if (data.empty()) {
                error = "REG_MULTI_SZ takes one DATA argument per string";
                return std::nullopt;
            }
            RegValue value{REG_MULTI_SZ, {}};
            for (const std::string& text : data) {
                if (text.empty() || text.find('\0') != std::string::npos) {
                    error = "the strings of a REG_MULTI_SZ can be neither empty nor hold a NUL character";
                    return std::nullopt;
                }
                value.data.insert(value.data.end(), text.begin(), text.end());
                value.data.push_back(0);
            }
            value.data.push_back(0);
            return value;
        }
        case REG_DWORD:
        case REG_DWORD_BIG_ENDIAN: {
            const std::string* text = one();
            if (text == nullptr) {
                return std::nullopt;
            }
            const std::optional<std::uint32_t> number = ParseDword(*text);
            if (!number) {
                error = "\"" + *text + "\" is not a 32-bit number (decimal, or 0x and hexadecimal digits)";
                return std::nullopt;
            }
            RegValue value = Dword(*number);
            if (type == REG_DWORD_BIG_ENDIAN) {
                std::reverse(value.data.begin(), value.data.end());
                value.type = REG_DWORD_BIG_ENDIAN;
            }
            return value;
        }
        case REG_BINARY: {
            const std::string* text = one();
            if (text == nullptr) {
                return std::nullopt;
            }
            RegValue value{REG_BINARY, {}};
            std::size_t start = 0;
            while (!text->empty()) {
                const std::size_t comma = text->find(',', start);
                const std::string part = text->substr(start, comma - start);
                unsigned byte = 0;
                const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), byte, 16);
                if (part.empty() || part.size() > 2 || ec != std::errc() ||
                    end != part.data() + part.size()) {
                    error = "\"" + part + "\" is not a hexadecimal byte (binary data is written as 0A,FF,00)";
                    return std::nullopt;
                }
                value.data.push_back(static_cast<unsigned char>(byte));
                if (comma == std::string::npos) {
                    break;
                }
                start = comma + 1;
            }
            return value;
        }
        default:
            error = "values of type " + TypeName(type) + " cannot be written here";
            return std::nullopt;
    }
}

std::string ValueText(const RegValue& value) {
    const auto& data = value.data;
    switch (value.type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            std::string text(data.begin(), data.end());
            if (!text.empty() && text.back() == '\0') {
                text.pop_back();
            }
            return text;
        }
        case REG_MULTI_SZ: {
            std::string text;
            std::string current;
            for (unsigned char c : data) {
                if (c != 0) {
                    current += static_cast<char>(c);
                    continue;
                }
                if (current.empty()) {
                    break;  // the empty string that ends the list
                }
                text += (text.empty() ? "" : "\n") + current;
                current.clear();
            }
            if (!current.empty()) {
                text += (text.empty() ? "" : "\n") + current;
            }
            return text;
        }
        case REG_DWORD:
            if (data.size() == 4) {
                return std::to_string(static_cast<std::int32_t>(DwordOf(value)));
            }
            break;
        case REG_DWORD_BIG_ENDIAN:
            if (data.size() == 4) {
                RegValue swapped = value;
                std::reverse(swapped.data.begin(), swapped.data.end());
                return std::to_string(static_cast<std::int32_t>(DwordOf(swapped)));
            }
            break;
        default:
            break;
    }
    return BinaryText(data.data(), data.size());
}

}  // namespace qm::SettingsTree
