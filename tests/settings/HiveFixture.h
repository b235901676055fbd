#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "SettingsTree.h"
#include "settings/RegistryApi.h"
#include "settings/SettingsLayout.h"
#include "settings/hive/FileHiveRegistry.h"
#include "support/TempDir.h"

namespace qm::test {

inline std::vector<unsigned char> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}
inline std::vector<unsigned char> Sz(const std::string& text) {
    auto bytes = Bytes(text);
    bytes.push_back(0);
    return bytes;
}
inline std::vector<unsigned char> Dword(std::uint32_t n) {
    return {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
            static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
}

}  // namespace qm::test

namespace qm::SettingsTree {
// Readable failure messages.
inline void PrintTo(const RegValue& value, std::ostream* out) {
    *out << TypeName(value.type) << " [" << ValueText(value) << "]";
}
}  // namespace qm::SettingsTree

namespace qm::test {

// The real file store in a fresh folder, with its autostart entry kept in that folder too.
class HiveTest : public ::testing::Test {
protected:
    std::string HiveFile() const { return dir_.File("HKEY_LOCAL_MACHINE.reg"); }
    std::string AutostartFolder() const { return dir_.File("autostart"); }

    // Full paths from the root of HKEY_LOCAL_MACHINE.
    void Put(const std::string& path, const std::string& name, DWORD type,
             const std::vector<unsigned char>& data) {
        HKEY key = 0;
        DWORD disposition = 0;
        ASSERT_EQ(hive_.RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, "", 0, KEY_ALL_ACCESS, &key, &disposition),
                  ERROR_SUCCESS);
        ASSERT_EQ(hive_.RegSetValueExA(key, name, type, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        ASSERT_EQ(hive_.RegCloseKey(key), ERROR_SUCCESS);
    }
    void MakeKey(const std::string& path) {
        HKEY key = 0;
        DWORD disposition = 0;
        ASSERT_EQ(hive_.RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, "", 0, KEY_ALL_ACCESS, &key, &disposition),
                  ERROR_SUCCESS);
        ASSERT_EQ(hive_.RegCloseKey(key), ERROR_SUCCESS);
    }
    // The value as stored, or nothing when it (or its key) is not there.
    std::optional<SettingsTree::RegValue> Stored(const std::string& path, const std::string& name) {
        FileHiveRegistry reader(HiveFile(), "");  // a second store: what is in the file, not in memory
        HKEY key = 0;
        if (reader.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        SettingsTree::RegValue value;
        DWORD size = 0;
        std::optional<SettingsTree::RegValue> result;
        if (reader.RegQueryValueExA(key, name, &value.type, nullptr, &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            if (reader.RegQueryValueExA(key, name, &value.type, value.data.data(), &size) == ERROR_SUCCESS) {
                result = value;
            }
        }
        reader.RegCloseKey(key);
        return result;
    }
    bool KeyExists(const std::string& path) {
        FileHiveRegistry reader(HiveFile(), "");
        HKEY key = 0;
        if (reader.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        reader.RegCloseKey(key);
        return true;
    }
    static std::string Base(const std::string& key = {}) { return layout::kBaseKey + key; }

    TempDir dir_;
    FileHiveRegistry hive_{HiveFile(), AutostartFolder()};
};

// Passes every call to a real store, counting the keys it opens and closes, and fails the calls
// a test names: faults the real store cannot be made to produce.
class FaultyRegistry : public RegistryApi {
public:
    explicit FaultyRegistry(RegistryApi& inner) : inner_(inner) {}

    LONG failClose = ERROR_SUCCESS;            // every close fails with this code
    std::map<std::string, LONG> failSetValue;  // by value name
    std::vector<std::string> valuesSet;        // names, in order, of every write tried
    int opened = 0;
    int closed = 0;

    LONG RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, REGSAM desired,
                       HKEY* result) override {
        const LONG code = inner_.RegOpenKeyExA(key, subKey, options, desired, result);
        opened += code == ERROR_SUCCESS ? 1 : 0;
        return code;
    }
    LONG RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type, unsigned char* data,
                          DWORD* dataSize) override {
        return inner_.RegQueryValueExA(key, valueName, type, data, dataSize);
    }
    LONG RegSetValueExA(HKEY key, const std::string& valueName, DWORD type, const unsigned char* data,
                        DWORD dataSize) override {
        valuesSet.push_back(valueName);
        const auto fault = failSetValue.find(valueName);
        if (fault != failSetValue.end()) {
            return fault->second;
        }
        return inner_.RegSetValueExA(key, valueName, type, data, dataSize);
    }
    LONG RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string& keyClass, DWORD options,
                         REGSAM desired, HKEY* result, DWORD* disposition) override {
        const LONG code =
            inner_.RegCreateKeyExA(key, subKey, keyClass, options, desired, result, disposition);
        opened += code == ERROR_SUCCESS ? 1 : 0;
        return code;
    }
    LONG RegDeleteKeyA(HKEY key, const std::string& subKey) override {
        return inner_.RegDeleteKeyA(key, subKey);
    }
    LONG RegDeleteValueA(HKEY key, const std::string& valueName) override {
        return inner_.RegDeleteValueA(key, valueName);
    }
    LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) override {
        return inner_.RegEnumKeyExA(key, index, name, nameSize);
    }
    LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, unsigned char* data,
                       DWORD* dataSize) override {
        return inner_.RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
    }
    LONG RegCloseKey(HKEY key) override {
        ++closed;
        const LONG code = inner_.RegCloseKey(key);
        return failClose != ERROR_SUCCESS ? failClose : code;
    }
    DWORD ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) override {
        return inner_.ExpandEnvironmentStringsA(source, destination, size);
    }

private:
    RegistryApi& inner_;
};

}  // namespace qm::test
