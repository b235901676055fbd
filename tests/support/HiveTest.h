#pragma once

// The real settings file store in a fresh folder, and the few helpers every test of it needs.
// Header only: a test that includes it links qm_hive.

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "settings/SettingsLayout.h"
#include "settings/hive/FileHiveRegistry.h"
#include "support/TempDir.h"

namespace qm::test {

using ByteVector = std::vector<unsigned char>;
inline ByteVector Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}
// A text as Win32 callers store a REG_SZ: with its terminating NUL.
inline ByteVector Sz(const std::string& text) {
    return Bytes(text + std::string(1, '\0'));
}
inline ByteVector Dword(DWORD n) {
    return {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
            static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
}

// A hive in a temporary folder, with the autostart entry's folder there too.
struct TempHive {
    TempDir dir;
    std::string file = dir.File("HKEY_LOCAL_MACHINE.reg");
    std::string autostart = dir.File("autostart");

    FileHiveRegistry Open() const { return FileHiveRegistry(file); }
};

inline HKEY CreateKey(RegistryApi& reg, const std::string& path, HKEY root = HKEY_LOCAL_MACHINE) {
    HKEY key = 0;
    EXPECT_EQ(reg.RegCreateKeyExA(root, path, "", 0, KEY_ALL_ACCESS, &key, nullptr), ERROR_SUCCESS) << path;
    return key;
}
inline HKEY OpenKey(RegistryApi& reg, const std::string& path, REGSAM access = KEY_READ) {
    HKEY key = 0;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key), ERROR_SUCCESS) << path;
    return key;
}
inline LONG SetValue(RegistryApi& reg, HKEY key, const std::string& name, DWORD type,
                     const ByteVector& data) {
    return reg.RegSetValueExA(key, name, type, data.data(), static_cast<DWORD>(data.size()));
}

// A value's type and bytes, read the two-step Win32 way (size first, then data).
struct Read {
    LONG code = ERROR_SUCCESS;
    DWORD type = 0;
    ByteVector data;
    bool operator==(const Read&) const = default;
};
inline void PrintTo(const Read& read, std::ostream* out) {
    *out << "{code " << read.code << ", type " << read.type << ", " << read.data.size()
         << " bytes: " << std::string(read.data.begin(), read.data.end()) << "}";
}
inline Read QueryValue(RegistryApi& reg, HKEY key, const std::string& name) {
    Read read;
    DWORD size = 0;
    read.code = reg.RegQueryValueExA(key, name, &read.type, nullptr, &size);
    if (read.code == ERROR_SUCCESS) {
        read.data.resize(size);
        read.code = reg.RegQueryValueExA(key, name, &read.type, read.data.data(), &size);
    }
    return read;
}

// A test on the real file store: full paths are from the root of HKEY_LOCAL_MACHINE.
class HiveTest : public ::testing::Test {
protected:
    static std::string Base(const std::string& key = {}) { return layout::kBaseKey + key; }

    void Put(const std::string& path, const std::string& name, DWORD type, const ByteVector& data) {
        const HKEY key = CreateKey(hive_, path);
        EXPECT_EQ(SetValue(hive_, key, name, type, data), ERROR_SUCCESS) << name;
        hive_.RegCloseKey(key);
    }
    void MakeKey(const std::string& path) { hive_.RegCloseKey(CreateKey(hive_, path)); }
    // The value as the file holds it (read by a second store), or an error code.
    Read Stored(const std::string& path, const std::string& name) const {
        FileHiveRegistry reader(temp_.file);
        HKEY key = 0;
        const LONG opened = reader.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
        return opened == ERROR_SUCCESS ? QueryValue(reader, key, name) : Read{opened, 0, {}};
    }
    bool KeyExists(const std::string& path) const {
        FileHiveRegistry reader(temp_.file);
        HKEY key = 0;
        return reader.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    }

    TempHive temp_;
    TempDir& dir_ = temp_.dir;
    FileHiveRegistry hive_ = temp_.Open();
};
inline Read Value(DWORD type, const ByteVector& data) {
    return {ERROR_SUCCESS, type, data};
}

// Passes every call to a real store, counting the keys opened and closed, and fails the calls
// a test names: faults the real store cannot be made to produce.
class FaultyRegistry : public RegistryApi {
public:
    explicit FaultyRegistry(RegistryApi& inner) : inner_(inner) {}

    LONG failClose = ERROR_SUCCESS;            // every close fails with this code
    std::map<std::string, LONG> failSetValue;  // by value name
    DWORD failEnumAt = 0xFFFFFFFFu;            // value enumeration fails at this index
    std::vector<std::string> valuesSet;        // names, in order, of every write tried
    int opened = 0;
    int closed = 0;

    LONG RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, REGSAM desired,
                       HKEY* result) override {
        return Count(inner_.RegOpenKeyExA(key, subKey, options, desired, result));
    }
    LONG RegQueryValueExA(HKEY key, const std::string& name, DWORD* type, unsigned char* data,
                          DWORD* size) override {
        return inner_.RegQueryValueExA(key, name, type, data, size);
    }
    LONG RegSetValueExA(HKEY key, const std::string& name, DWORD type, const unsigned char* data,
                        DWORD size) override {
        valuesSet.push_back(name);
        const auto fault = failSetValue.find(name);
        return fault != failSetValue.end() ? fault->second
                                           : inner_.RegSetValueExA(key, name, type, data, size);
    }
    LONG RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string& keyClass, DWORD options,
                         REGSAM desired, HKEY* result, DWORD* disposition) override {
        return Count(inner_.RegCreateKeyExA(key, subKey, keyClass, options, desired, result, disposition));
    }
    LONG RegDeleteKeyA(HKEY key, const std::string& subKey) override {
        return inner_.RegDeleteKeyA(key, subKey);
    }
    LONG RegDeleteValueA(HKEY key, const std::string& name) override {
        return inner_.RegDeleteValueA(key, name);
    }
    LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) override {
        return inner_.RegEnumKeyExA(key, index, name, nameSize);
    }
    LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, unsigned char* data,
                       DWORD* dataSize) override {
        return index == failEnumAt ? ERROR_CANTREAD
                                   : inner_.RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
    }
    LONG RegCloseKey(HKEY key) override {
        ++closed;
        const LONG code = inner_.RegCloseKey(key);
        return failClose != ERROR_SUCCESS ? failClose : code;
    }
    DWORD ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) override {
        return inner_.ExpandEnvironmentStringsA(source, destination, size);
    }
    std::string LastError() const override { return inner_.LastError(); }

private:
    LONG Count(LONG code) {
        opened += code == ERROR_SUCCESS ? 1 : 0;
        return code;
    }
    RegistryApi& inner_;
};

}  // namespace qm::test
