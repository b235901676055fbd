#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"

namespace qm::test {

// Keys of HKEY_LOCAL_MACHINE holding values, read-only, with the Win32 rules for reading and
// enumerating: sizes in bytes, ERROR_MORE_DATA when a buffer is short (the data size reported,
// the name's not). It remembers every open and the access it asked for.
class FakeRegistry : public RegistryApi {
public:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<unsigned char> data;
    };

    void AddText(const std::string& key, const std::string& name, const std::string& text,
                 DWORD type = REG_SZ) {
        std::vector<unsigned char> data(text.begin(), text.end());
        data.push_back(0);
        keys_[key].push_back({name, type, data});
    }
    void AddDword(const std::string& key, const std::string& name, DWORD value) {
        std::vector<unsigned char> data(4);
        std::memcpy(data.data(), &value, 4);
        keys_[key].push_back({name, REG_DWORD, data});
    }
    // Data as stored, NUL or not.
    void AddValue(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
        keys_[key].push_back({name, type, std::vector<unsigned char>(data.begin(), data.end())});
    }
    void AddKey(const std::string& key) { keys_[key]; }
    void FailEnumerationAt(DWORD index, LONG result) {
        failIndex_ = index;
        failResult_ = result;
    }

    std::size_t OpenKeys() const { return open_.size(); }
    std::vector<std::string> opened;  // "root\\subkey" of every open asked for
    std::vector<REGSAM> asked;        // the access each open asked for

    LONG RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD, REGSAM desired, HKEY* result) override {
        opened.push_back(std::to_string(key) + "\\" + subKey);
        asked.push_back(desired);
        if (key != HKEY_LOCAL_MACHINE || keys_.count(subKey) == 0) {
            return ERROR_FILE_NOT_FOUND;
        }
        const HKEY handle = nextHandle_++;
        open_[handle] = subKey;
        *result = handle;
        return ERROR_SUCCESS;
    }
    LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, unsigned char* data,
                       DWORD* dataSize) override {
        const auto handle = open_.find(key);
        if (handle == open_.end()) {
            return ERROR_INVALID_HANDLE;
        }
        if (index == failIndex_) {
            return failResult_;
        }
        const std::vector<Value>& values = keys_[handle->second];
        if (index >= values.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        const Value& value = values[index];
        const auto size = static_cast<DWORD>(value.data.size());
        if (value.name.size() + 1 > *nameSize || (data != nullptr && size > *dataSize)) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(name, value.name.c_str(), value.name.size() + 1);
        *nameSize = static_cast<DWORD>(value.name.size());
        *type = value.type;
        if (data != nullptr) {
            std::copy(value.data.begin(), value.data.end(), data);
        }
        *dataSize = size;
        return ERROR_SUCCESS;
    }
    LONG RegCloseKey(HKEY key) override {
        return open_.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }
    // %NAME% from the table below; a reference to an unknown name stays as it is.
    DWORD ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) override {
        std::string text = source;
        for (const auto& [name, value] : environment) {
            const std::string reference = "%" + name + "%";
            for (std::size_t at = text.find(reference); at != std::string::npos;
                 at = text.find(reference, at)) {
                text.replace(at, reference.size(), value);
                at += value.size();
            }
        }
        const auto needed = static_cast<DWORD>(text.size() + 1);
        if (destination != nullptr && size >= needed) {
            std::memcpy(destination, text.c_str(), needed);
        }
        return needed;
    }
    std::map<std::string, std::string> environment;

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
            if (data != nullptr && needed > *size) {
                *size = needed;
                return ERROR_MORE_DATA;
            }
            if (data != nullptr) {
                std::copy(value.data.begin(), value.data.end(), data);
            }
            *size = needed;
            return ERROR_SUCCESS;
        }
        return ERROR_FILE_NOT_FOUND;
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

private:
    std::map<std::string, std::vector<Value>> keys_;
    std::map<HKEY, std::string> open_;
    HKEY nextHandle_ = 0x1000;
    DWORD failIndex_ = 0xFFFFFFFFu;
    LONG failResult_ = ERROR_SUCCESS;
};

}  // namespace qm::test
