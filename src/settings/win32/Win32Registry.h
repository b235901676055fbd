#pragma once

#include <map>
#include <string>

#include "settings/RegistryApi.h"

namespace qm {

// The registry functions on the Windows registry itself.
//
// The predefined roots (0x80000000 to 0x800000FF) stand for the system's own. Every key this
// object opens or creates gets a handle numbered by this object and mapped to the system's,
// so our 64-bit handles never carry pointers, and a handle that was never given out or that
// was closed already is refused with ERROR_INVALID_HANDLE before it reaches the system.
// Keys still open when the object goes are closed then.
//
// Texts go to the A functions as C strings: a name ends at its first NUL.
// For use on one thread.
class Win32Registry final : public RegistryApi {
public:
    Win32Registry() = default;
    ~Win32Registry() override;
    Win32Registry(const Win32Registry&) = delete;
    Win32Registry& operator=(const Win32Registry&) = delete;

    LONG RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, REGSAM desired,
                       HKEY* result) override;
    LONG RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type, unsigned char* data,
                          DWORD* dataSize) override;
    LONG RegSetValueExA(HKEY key, const std::string& valueName, DWORD type, const unsigned char* data,
                        DWORD dataSize) override;
    LONG RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string& keyClass, DWORD options,
                         REGSAM desired, HKEY* result, DWORD* disposition) override;
    LONG RegDeleteKeyA(HKEY key, const std::string& subKey) override;
    LONG RegDeleteValueA(HKEY key, const std::string& valueName) override;
    LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) override;
    LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, unsigned char* data,
                       DWORD* dataSize) override;
    LONG RegCloseKey(HKEY key) override;
    DWORD ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) override;

    // How many keys this object holds open (the predefined roots not counted).
    std::size_t OpenKeys() const { return handles_.size(); }

private:
    // The system's handle for ours; false for a handle that is neither a root nor open here.
    bool Resolve(HKEY key, void*& system) const;
    // Our handle for a key the system just opened for us.
    HKEY Adopt(HKEY parent, void* parentSystem, void* system);

    std::map<HKEY, void*> handles_;
    HKEY nextHandle_ = 0x100;
};

}  // namespace qm
