#include "settings/win32/Win32RegistryCalls.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace qm::win32 {
namespace {

// Win32's DWORD is an unsigned long, ours a uint32_t: the same bits, different types. Each
// in/out argument goes through one of these, which keeps a null pointer null.
class DwordArg {
public:
    explicit DwordArg(std::uint32_t* ours) : ours_(ours), value_(ours != nullptr ? *ours : 0) {}
    ~DwordArg() {
        if (ours_ != nullptr) {
            *ours_ = static_cast<std::uint32_t>(value_);
        }
    }
    DwordArg(const DwordArg&) = delete;
    DwordArg& operator=(const DwordArg&) = delete;

    LPDWORD Get() { return ours_ != nullptr ? &value_ : nullptr; }

private:
    std::uint32_t* ours_;
    DWORD value_;
};

::HKEY Key(SystemKey key) {
    return static_cast<::HKEY>(key);
}

}  // namespace

SystemKey PredefinedKey(std::uint32_t root) {
    // The predefined handles are 32-bit values sign-extended to the pointer's width, as
    // <winreg.h> defines them: HKEY_LOCAL_MACHINE is ((HKEY)(ULONG_PTR)((LONG)0x80000002)).
    const auto extended = static_cast<LONG_PTR>(static_cast<LONG>(root));
    return reinterpret_cast<SystemKey>(static_cast<ULONG_PTR>(extended));
}

std::int32_t OpenKey(SystemKey key, const char* subKey, std::uint32_t options, std::uint32_t desired,
                     SystemKey* result) {
    ::HKEY opened = nullptr;
    const LONG code = ::RegOpenKeyExA(Key(key), subKey, options, desired, &opened);
    *result = opened;
    return code;
}

std::int32_t CreateKey(SystemKey key, const char* subKey, const char* keyClass, std::uint32_t options,
                       std::uint32_t desired, SystemKey* result, std::uint32_t* disposition) {
    ::HKEY created = nullptr;
    DwordArg made(disposition);
    const LONG code = ::RegCreateKeyExA(Key(key), subKey, 0, const_cast<LPSTR>(keyClass), options, desired,
                                        nullptr, &created, made.Get());
    *result = created;
    return code;
}

std::int32_t QueryValue(SystemKey key, const char* valueName, std::uint32_t* type, unsigned char* data,
                        std::uint32_t* dataSize) {
    DwordArg typeArg(type);
    DwordArg sizeArg(dataSize);
    return ::RegQueryValueExA(Key(key), valueName, nullptr, typeArg.Get(), data, sizeArg.Get());
}

std::int32_t SetValue(SystemKey key, const char* valueName, std::uint32_t type, const unsigned char* data,
                      std::uint32_t dataSize) {
    return ::RegSetValueExA(Key(key), valueName, 0, type, data, dataSize);
}

std::int32_t DeleteKey(SystemKey key, const char* subKey) {
    return ::RegDeleteKeyA(Key(key), subKey);
}

std::int32_t DeleteValue(SystemKey key, const char* valueName) {
    return ::RegDeleteValueA(Key(key), valueName);
}

std::int32_t EnumKey(SystemKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) {
    DwordArg sizeArg(nameSize);
    return ::RegEnumKeyExA(Key(key), index, name, sizeArg.Get(), nullptr, nullptr, nullptr, nullptr);
}

std::int32_t EnumValue(SystemKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                       std::uint32_t* type, unsigned char* data, std::uint32_t* dataSize) {
    DwordArg nameArg(nameSize);
    DwordArg typeArg(type);
    DwordArg sizeArg(dataSize);
    return ::RegEnumValueA(Key(key), index, name, nameArg.Get(), nullptr, typeArg.Get(), data, sizeArg.Get());
}

std::int32_t CloseKey(SystemKey key) {
    return ::RegCloseKey(Key(key));
}

std::uint32_t ExpandEnvironment(const char* source, char* destination, std::uint32_t size) {
    return ::ExpandEnvironmentStringsA(source, destination, size);
}

}  // namespace qm::win32
