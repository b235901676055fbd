#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"

namespace qm::test {

// Keys of HKEY_LOCAL_MACHINE holding values, read-only, with the Win32 rules for reading: sizes
// in bytes, ERROR_MORE_DATA when a buffer is short. (Tests of the settings themselves use the
// real file store.)
class FakeRegistry : public RegistryApi {
public:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<unsigned char> data;
    };

    // Data as stored, NUL or not.
    void AddValue(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
        keys_[key].push_back({name, type, std::vector<unsigned char>(data.begin(), data.end())});
    }

    std::size_t OpenKeys() const { return open_.size(); }

    LONG RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD, REGSAM, HKEY* result) override {
        if (key != HKEY_LOCAL_MACHINE || keys_.count(subKey) == 0) {
            return ERROR_FILE_NOT_FOUND;
        }
        open_[nextHandle_] = subKey;
        *result = nextHandle_++;
        return ERROR_SUCCESS;
    }
    LONG RegQueryValueExA(HKEY key, const std::string& name, DWORD* type, unsigned char* data,
                          DWORD* size) override {
        const auto handle = open_.find(key);
        if (handle == open_.end()) {
            return ERROR_INVALID_HANDLE;
        }
        for (const Value& value : keys_[handle->second]) {
            if (value.name != name) {
                continue;
            }
            const auto needed = static_cast<DWORD>(value.data.size());
            if (type != nullptr) {
                *type = value.type;
            }
            const bool fits = data == nullptr || needed <= *size;
            if (data != nullptr && fits) {
                std::copy(value.data.begin(), value.data.end(), data);
            }
            *size = needed;
            return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
        }
        return ERROR_FILE_NOT_FOUND;
    }
    LONG RegCloseKey(HKEY key) override {
        return open_.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }

    // Not used by the code under test.
    LONG RegSetValueExA(HKEY, const std::string&, DWORD, const unsigned char*, DWORD) override {
        return ERROR_ACCESS_DENIED;
    }
    LONG RegCreateKeyExA(HKEY, const std::string&, const std::string&, DWORD, REGSAM, HKEY*,
                         DWORD*) override {
        return ERROR_ACCESS_DENIED;
    }
    LONG RegDeleteKeyA(HKEY, const std::string&) override { return ERROR_ACCESS_DENIED; }
    LONG RegDeleteValueA(HKEY, const std::string&) override { return ERROR_ACCESS_DENIED; }
    LONG RegEnumKeyExA(HKEY, DWORD, char*, DWORD*) override { return ERROR_NO_MORE_ITEMS; }
    LONG RegEnumValueA(HKEY, DWORD, char*, DWORD*, DWORD*, unsigned char*, DWORD*) override {
        return ERROR_NO_MORE_ITEMS;
    }
    DWORD ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) override {
        const auto needed = static_cast<DWORD>(source.size() + 1);
        if (destination != nullptr && size >= needed) {
            std::copy(source.c_str(), source.c_str() + needed, destination);
        }
        return needed;
    }

private:
    std::map<std::string, std::vector<Value>> keys_;
    std::map<HKEY, std::string> open_;
    HKEY nextHandle_ = 0x1000;
};

}  // namespace qm::test
