#pragma once

#include <cstdint>

namespace qm::win32 {

// The advapi32 and kernel32 registry calls in plain types, so that the code that maps our
// registry interface onto them never sees <windows.h>, whose macros (HKEY_LOCAL_MACHINE,
// ERROR_SUCCESS, REG_SZ, ...) would clash with our own names for the same things.
// Every call returns the Win32 result code; sizes and types are in/out as in Win32, and a null
// pointer is passed on as a null pointer.
using SystemKey = void*;

// The system's handle for a predefined root (0x80000000 HKEY_CLASSES_ROOT ...).
SystemKey PredefinedKey(std::uint32_t root);

std::int32_t OpenKey(SystemKey key, const char* subKey, std::uint32_t options, std::uint32_t desired,
                     SystemKey* result);
std::int32_t CreateKey(SystemKey key, const char* subKey, const char* keyClass, std::uint32_t options,
                       std::uint32_t desired, SystemKey* result, std::uint32_t* disposition);
std::int32_t QueryValue(SystemKey key, const char* valueName, std::uint32_t* type, unsigned char* data,
                        std::uint32_t* dataSize);
std::int32_t SetValue(SystemKey key, const char* valueName, std::uint32_t type, const unsigned char* data,
                      std::uint32_t dataSize);
std::int32_t DeleteKey(SystemKey key, const char* subKey);
std::int32_t DeleteValue(SystemKey key, const char* valueName);
std::int32_t EnumKey(SystemKey key, std::uint32_t index, char* name, std::uint32_t* nameSize);
std::int32_t EnumValue(SystemKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                       std::uint32_t* type, unsigned char* data, std::uint32_t* dataSize);
std::int32_t CloseKey(SystemKey key);
// The size needed including the NUL, 0 on failure.
std::uint32_t ExpandEnvironment(const char* source, char* destination, std::uint32_t size);

}  // namespace qm::win32
