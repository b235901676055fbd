#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/AddedCodes.h"
#include "settings/RegistryApi.h"
#include "settings/Variant.h"

namespace qm {

class SettingsRecord;

namespace layout {

// Where the settings live: every setting's key is this base key followed by its key name.
inline constexpr const char* kBaseKey = "Software\\Tallowmer\\Quillmotion\\";
// The key whose values start programs at log-on, in the same hive.
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The product name, which also names the program's Run value.
inline constexpr const char* kProductName = "Quillmotion";
// Below the base key: the device map that gives each COM name its device.
inline constexpr const char* kDevicesKey = "Ports\\Devices";

// The type a setting is saved as when saving leaves it alone: it is set in the registry only.
inline constexpr DWORD kNeverSaved = REG_NONE;

// What loading takes when a value is absent or unreadable. A character code has none, so that
// loading fails without it; an installation starts it at a code of its own.
struct Default {
    Default(int number) : value(static_cast<std::int16_t>(number)) {}
    Default(const char* text) : value(text) {}
    Variant value;  // missing: loading fails
    std::int16_t installedCode = 0;
    const char* meaning = "";
};
// A code added after the thirteen: none (-1) until one is set.
inline Default OptionalCode(const char* meaning) {
    Default none(-1);
    none.meaning = meaning;
    return none;
}
// A value that has a default, with what it means for the settings tool's help.
inline Default Described(int number, const char* meaning) {
    Default value(number);
    value.meaning = meaning;
    return value;
}
inline Default Code(std::int16_t installed, const char* meaning) {
    Default none(0);
    none.value = Variant::Missing();
    none.installedCode = installed;
    none.meaning = meaning;
    return none;
}

// The record's variable that holds a setting, or for a code beyond the thirteen its action, under
// which the record keeps it (16-bit). Its type is the type loading converts to (16-bit, 32-bit,
// float or text).
using Field = std::variant<std::int16_t SettingsRecord::*, std::int32_t SettingsRecord::*,
                           float SettingsRecord::*, std::string SettingsRecord::*, CodeAction>;

struct Setting {
    const char* key;        // below the base key; "" is the base key itself
    const char* valueName;  // "" is the key's unnamed value
    DWORD savedAs;          // REG_SZ, REG_DWORD or kNeverSaved
    Default fallback;
    Field field;
    // A setting that trees made before it existed do not have. Installing writes none, and
    // saving writes it only while it differs from its default and removes it otherwise, so a
    // tree that never had it keeps exactly the values it had.
    bool optional = false;
};

// Every setting, in the order loading reads them and saving writes them: the one place that
// names a setting's key, value, type and default.
const std::vector<Setting>& Settings();

// The setting stored under a value name (of the settings, which no two share).
const Setting& Find(std::string_view valueName);
// Where a setting is kept, as messages name it: from the root of the hive.
std::string ValuePath(const Setting& setting);
// The settings tool's command that stores data in the setting, with the type saving writes.
std::string SetCommand(const Setting& setting, const std::string& data);
// A stored value that is none of those offered for it, named with what is offered and the mend.
std::string NotOffered(const Setting& setting, const std::string& stored, const std::string& offered);

// Converts a value read from the registry to the setting's type and stores it; raises as the
// conversion does (type mismatch, overflow, invalid use of null).
void Load(const Setting& setting, SettingsRecord& record, const Variant& value);
// The setting's value as saving writes it.
Variant Value(const Setting& setting, const SettingsRecord& record);
// True for a setting held as text.
bool IsText(const Setting& setting);
// True when the record holds the setting's default (an optional setting is then not stored).
bool HoldsDefault(const Setting& setting, const SettingsRecord& record);
// True when the two records hold the same value for the setting, or for every setting.
bool SameValue(const Setting& setting, const SettingsRecord& a, const SettingsRecord& b);
bool SameValues(const SettingsRecord& a, const SettingsRecord& b);
// Gives one record the setting's value in another.
void CopyValue(const Setting& setting, const SettingsRecord& from, SettingsRecord& to);

}  // namespace layout
}  // namespace qm
