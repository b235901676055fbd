#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"

namespace qm {

// Registry names compare without regard to case, as on Windows: the Latin letters of
// Windows-1252 fold to their capitals, the stored spelling is kept.
bool SameRegistryName(const std::string& a, const std::string& b);
// The name with its letters folded that way: two names are the same exactly when their folded
// forms are equal, and subkeys enumerate in the byte order of their folded names.
std::string FoldedRegistryName(const std::string& name);

// How deep keys may nest below a root, as on Windows. Deeper trees are refused rather than
// built, so that no file and no caller can make the tree too deep to walk.
inline constexpr std::size_t kMaxKeyDepth = 512;

// A key path relative to some key, one component per name. Runs of backslashes separate
// components and a trailing backslash is allowed, as on Windows.
std::vector<std::string> SplitKeyPath(const std::string& path);

struct HiveValue {
    std::string name;  // "" is the key's unnamed default value
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;

    bool operator==(const HiveValue&) const = default;
};

// One key of an in-memory hive: its values in the order they were first added and its subkeys
// in name order, which is the order enumeration returns them in (as on Windows). Copies are deep, so a change
// can be tried on a copy and kept only when it was saved.
class HiveKey {
public:
    HiveKey() = default;
    explicit HiveKey(std::string name) : name_(std::move(name)) {}
    // A key put together from parts that are already as SubKey and SetValue keep them: values
    // with distinct names, subkeys with distinct names in name order. For readers that build a
    // whole tree at once, which one SubKey or SetValue call per item would make quadratic.
    HiveKey(std::string name, std::vector<HiveValue> values, std::vector<HiveKey> subKeys)
        : name_(std::move(name)), values_(std::move(values)), subKeys_(std::move(subKeys)) {}

    const std::string& Name() const { return name_; }
    const std::vector<HiveKey>& SubKeys() const { return subKeys_; }
    const std::vector<HiveValue>& Values() const { return values_; }

    HiveKey* FindSubKey(const std::string& name);
    const HiveKey* FindSubKey(const std::string& name) const;
    // The existing subkey of that name, or a new one in its place by name.
    HiveKey& SubKey(const std::string& name, bool* created = nullptr);
    bool RemoveSubKey(const std::string& name);

    // The key at a path of components below this one, or null.
    HiveKey* Find(const std::vector<std::string>& path);
    const HiveKey* Find(const std::vector<std::string>& path) const;

    const HiveValue* FindValue(const std::string& name) const;
    // Replaces the data of an existing value in place (keeping its position and spelling)
    // or adds the value last.
    void SetValue(const std::string& name, DWORD type, std::vector<unsigned char> data);
    bool RemoveValue(const std::string& name);

    bool operator==(const HiveKey& other) const = default;

private:
    std::string name_;
    std::vector<HiveValue> values_;
    std::vector<HiveKey> subKeys_;
};

}  // namespace qm
