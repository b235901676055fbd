#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/hive/FileHiveRegistry.h"
#include "support/TempDir.h"

namespace qm::test {

inline std::vector<unsigned char> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}
// A text as Win32 callers store a REG_SZ: with its terminating NUL.
inline std::vector<unsigned char> Sz(const std::string& text) {
    return Bytes(text + std::string(1, '\0'));
}
inline std::vector<unsigned char> Dword(DWORD number) {
    return {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
            static_cast<unsigned char>(number >> 16), static_cast<unsigned char>(number >> 24)};
}

// A hive in a temporary folder, with the autostart entry kept in that folder too.
struct TempHive {
    TempDir dir;
    std::string file = dir.File("HKEY_LOCAL_MACHINE.reg");
    std::string autostart = dir.File("autostart");

    FileHiveRegistry Open() const { return FileHiveRegistry(file, autostart); }
};

inline HKEY CreateKey(RegistryApi& reg, const std::string& path, HKEY root = HKEY_LOCAL_MACHINE) {
    HKEY key = 0;
    EXPECT_EQ(reg.RegCreateKeyExA(root, path, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
}

inline LONG SetValue(RegistryApi& reg, HKEY key, const std::string& name, DWORD type,
                     const std::vector<unsigned char>& data) {
    return reg.RegSetValueExA(key, name, type, data.data(), static_cast<DWORD>(data.size()));
}

// The value's type and bytes, read the two-step Win32 way (size first, then data).
struct Read {
    LONG code = ERROR_SUCCESS;
    DWORD type = 0;
    std::vector<unsigned char> data;
};

inline Read QueryValue(RegistryApi& reg, HKEY key, const std::string& name) {
    Read read;
    DWORD size = 0;
    read.code = reg.RegQueryValueExA(key, name, &read.type, nullptr, &size);
    if (read.code != ERROR_SUCCESS) {
        return read;
    }
    read.data.resize(size);
    read.code = reg.RegQueryValueExA(key, name, &read.type, read.data.data(), &size);
    return read;
}

}  // namespace qm::test
