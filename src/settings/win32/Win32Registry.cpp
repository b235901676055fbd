#include "settings/win32/Win32Registry.h"

#include <cstring>
#include <vector>

#include "settings/win32/Win32RegistryCalls.h"

namespace qm {
namespace {

constexpr HKEY kPredefinedFirst = 0x80000000u;
constexpr HKEY kPredefinedLast = 0x800000FFu;

bool IsPredefined(HKEY key) {
    return key >= kPredefinedFirst && key <= kPredefinedLast;
}

}  // namespace

Win32Registry::~Win32Registry() {
    for (const auto& [ours, system] : handles_) {
        win32::CloseKey(system);
    }
}

bool Win32Registry::Resolve(HKEY key, void*& system) const {
    if (IsPredefined(key)) {
        system = win32::PredefinedKey(static_cast<std::uint32_t>(key));
        return true;
    }
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        return false;
    }
    system = it->second;
    return true;
}

HKEY Win32Registry::Adopt(HKEY parent, void* parentSystem, void* system) {
    // Opening a root with no subkey may hand the root itself back: it stays the root.
    if (IsPredefined(parent) && system == parentSystem) {
        return parent;
    }
    do {
        nextHandle_ = nextHandle_ + 4 < kPredefinedFirst ? nextHandle_ + 4 : 0x100;
    } while (handles_.count(nextHandle_) != 0);
    handles_.emplace(nextHandle_, system);
    return nextHandle_;
}

LONG Win32Registry::RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, REGSAM desired,
                                  HKEY* result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = 0;
    void* parent = nullptr;
    if (!Resolve(key, parent)) {
        return ERROR_INVALID_HANDLE;
    }
    void* opened = nullptr;
    const LONG code = win32::OpenKey(parent, subKey.c_str(), options, desired, &opened);
    if (code == ERROR_SUCCESS) {
        *result = Adopt(key, parent, opened);
    }
    return code;
}

LONG Win32Registry::RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string& keyClass,
                                    DWORD options, REGSAM desired, HKEY* result, DWORD* disposition) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = 0;
    void* parent = nullptr;
    if (!Resolve(key, parent)) {
        return ERROR_INVALID_HANDLE;
    }
    void* created = nullptr;
    const LONG code = win32::CreateKey(parent, subKey.c_str(), keyClass.empty() ? nullptr : keyClass.c_str(),
                                       options, desired, &created, disposition);
    if (code == ERROR_SUCCESS) {
        *result = Adopt(key, parent, created);
    }
    return code;
}

LONG Win32Registry::RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type, unsigned char* data,
                                     DWORD* dataSize) {
    void* system = nullptr;
    if (!Resolve(key, system)) {
        return ERROR_INVALID_HANDLE;
    }
    return win32::QueryValue(system, valueName.c_str(), type, data, dataSize);
}

LONG Win32Registry::RegSetValueExA(HKEY key, const std::string& valueName, DWORD type,
                                   const unsigned char* data, DWORD dataSize) {
    void* system = nullptr;
    if (!Resolve(key, system)) {
        return ERROR_INVALID_HANDLE;
    }
    // A text written without its NUL is stored with one: Windows counts the NUL that follows
    // the data in the caller's memory. A copy that ends in one gives the same result without
    // the system reading past the caller's buffer.
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (text && data != nullptr && dataSize > 0 && data[dataSize - 1] != 0) {
        std::vector<unsigned char> terminated(data, data + dataSize);
        terminated.push_back(0);
        return win32::SetValue(system, valueName.c_str(), type, terminated.data(), dataSize + 1);
    }
    return win32::SetValue(system, valueName.c_str(), type, data, dataSize);
}

LONG Win32Registry::RegDeleteKeyA(HKEY key, const std::string& subKey) {
    void* system = nullptr;
    if (!Resolve(key, system)) {
        return ERROR_INVALID_HANDLE;
    }
    return win32::DeleteKey(system, subKey.c_str());
}

LONG Win32Registry::RegDeleteValueA(HKEY key, const std::string& valueName) {
    void* system = nullptr;
    if (!Resolve(key, system)) {
        return ERROR_INVALID_HANDLE;
    }
    return win32::DeleteValue(system, valueName.c_str());
}

LONG Win32Registry::RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) {
    void* system = nullptr;
    if (!Resolve(key, system)) {
        return ERROR_INVALID_HANDLE;
    }
    return win32::EnumKey(system, index, name, nameSize);
}

LONG Win32Registry::RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type,
                                  unsigned char* data, DWORD* dataSize) {
    void* system = nullptr;
    if (!Resolve(key, system)) {
        return ERROR_INVALID_HANDLE;
    }
    return win32::EnumValue(system, index, name, nameSize, type, data, dataSize);
}

LONG Win32Registry::RegCloseKey(HKEY key) {
    if (IsPredefined(key)) {
        return win32::CloseKey(win32::PredefinedKey(static_cast<std::uint32_t>(key)));
    }
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    const LONG code = win32::CloseKey(it->second);
    // The handle is spent either way: the system has forgotten it or never knew it.
    handles_.erase(it);
    return code;
}

DWORD Win32Registry::ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) {
    // Our contract writes the destination only when all of it fits; the system may write a
    // partial text into one that is too small, so it expands into a buffer of its own.
    const DWORD needed = win32::ExpandEnvironment(source.c_str(), nullptr, 0);
    if (needed == 0 || destination == nullptr || size < needed) {
        return needed;
    }
    std::vector<char> expanded(needed);
    const DWORD written = win32::ExpandEnvironment(source.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) {
        return written;  // the environment changed in between; the caller asks again
    }
    std::memcpy(destination, expanded.data(), written);
    return written;
}

}  // namespace qm
