#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"

namespace qm {

// The settings tree as an installation puts it in place, and the edits the settings tool makes
// to it. The program itself never creates keys; everything here works straight on the registry
// functions (HKEY_LOCAL_MACHINE), so it serves any store.
namespace SettingsTree {

// The registry's limits on names, in characters: a key name (one part of a key path) and a
// value name. A longer name could be stored here but not listed back.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;

// One of the thirteen character codes an installation starts with.
struct DefaultCode {
    const char* valueName;
    const char* key;  // below the base key
    std::int32_t code;
    const char* meaning;
};
// The settings without a loading default, in layout order, with the codes the layout gives them.
const std::vector<DefaultCode>& DefaultCodes();

// A typed value as the registry holds it.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;
    bool operator==(const RegValue&) const = default;
};

struct DefaultSetting {
    std::string key;  // below the base key; "" is the base key
    std::string valueName;
    RegValue value;
};
// Every value of the layout with its default, the thirteen codes included, in layout order.
std::vector<DefaultSetting> DefaultSettings();
// Every key of the tree as full paths from the hive's root, the Run key included. The device map
// that gives COM names their devices is left out where the system names its ports itself.
std::vector<std::string> TreeKeys(bool deviceMap = true);

// The outcome of a tree operation: the first failure's registry code and what was being done.
struct Status {
    LONG code = ERROR_SUCCESS;
    std::string failure;
    bool Ok() const { return code == ERROR_SUCCESS; }
};

struct EnsureReport {
    std::vector<std::string> keysCreated;    // full paths
    std::vector<std::string> valuesWritten;  // "key\name"
    std::size_t valuesKept = 0;
};
// Creates every missing key of the tree and writes every missing default value. A value that
// exists, whatever its data or type, is left as it is.
Status EnsureTree(RegistryApi& api, EnsureReport* report = nullptr, bool deviceMap = true);

// "COM" and 1 to 3 digits without a leading zero, then ":" (COM1: to COM999:).
bool IsPortName(const std::string& name);
// Writes the device for a COM name into the device map, creating the map's key if needed.
Status MapPort(RegistryApi& api, const std::string& portName, const std::string& device);
// Removes a COM name from the device map; ERROR_FILE_NOT_FOUND when it was not mapped.
Status UnmapPort(RegistryApi& api, const std::string& portName);

// One value; the key is below the base key ("" for the base key itself).
Status ReadValue(RegistryApi& api, const std::string& key, const std::string& valueName, RegValue& value);
// Writes one value into an existing key (a key that does not exist is ERROR_FILE_NOT_FOUND).
Status WriteValue(RegistryApi& api, const std::string& key, const std::string& valueName,
                  const RegValue& value);

// The tree under the base key and the Run key, in the registry editor's REGEDIT4 form.
Status Export(RegistryApi& api, std::string& text);

// Type names as the registry editor spells them ("REG_DWORD"); nothing for an unknown name.
std::optional<DWORD> TypeFromName(const std::string& name);
std::string TypeName(DWORD type);
// Data from its text form: REG_SZ and REG_EXPAND_SZ one text, REG_MULTI_SZ one text per
// string, REG_DWORD and REG_DWORD_BIG_ENDIAN a decimal (-2147483648 to 4294967295) or "0x" and
// up to 8 hexadecimal digits, REG_BINARY hexadecimal bytes joined by "," ("0A,FF"; "" is no
// bytes). Nothing, and the reason in error, when the text does not fit the type.
std::optional<RegValue> ParseValue(DWORD type, const std::vector<std::string>& data, std::string& error);
// The data in that same text form; the strings of a REG_MULTI_SZ one per line.
std::string ValueText(const RegValue& value);

}  // namespace SettingsTree
}  // namespace qm
