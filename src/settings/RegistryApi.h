#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Registry handles: the predefined roots keep their Windows values; opened keys get
// handles of the backend's own choosing (never 0).
using HKEY = std::uint64_t;
using REGSAM = std::uint32_t;
using LONG = std::int32_t;
using DWORD = std::uint32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

// Win32 result codes the program relies on.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LONG ERROR_WRITE_FAULT = 29;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_NOACCESS = 998;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_BADKEY = 1010;
inline constexpr LONG ERROR_CANTOPEN = 1011;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_DELETED = 1018;
inline constexpr LONG ERROR_KEY_HAS_CHILDREN = 1020;

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_RESOURCE_LIST = 8;

// Access masks.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// The registry functions, with their Win32 meaning and result codes. Texts are ANSI
// (Windows-1252). Sizes are in bytes and count a text's terminating NUL where Win32 does.
class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    virtual LONG RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, REGSAM desired,
                               HKEY* result) = 0;
    // data may be null to ask only for the type and size. When the buffer is too small the
    // result is ERROR_MORE_DATA and *dataSize holds the size needed.
    virtual LONG RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type, unsigned char* data,
                                  DWORD* dataSize) = 0;
    virtual LONG RegSetValueExA(HKEY key, const std::string& valueName, DWORD type, const unsigned char* data,
                                DWORD dataSize) = 0;
    virtual LONG RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string& keyClass,
                                 DWORD options, REGSAM desired, HKEY* result, DWORD* disposition) = 0;
    virtual LONG RegDeleteKeyA(HKEY key, const std::string& subKey) = 0;
    virtual LONG RegDeleteValueA(HKEY key, const std::string& valueName) = 0;
    // name receives at most *nameSize characters including the NUL; *nameSize then holds the
    // length without it.
    virtual LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) = 0;
    virtual LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type,
                               unsigned char* data, DWORD* dataSize) = 0;
    virtual LONG RegCloseKey(HKEY key) = 0;
    // Returns the size needed including the NUL (0 on failure); writes only when it fits.
    virtual DWORD ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) = 0;

    // Why the store behind the registry failed the latest call that reached it (a settings file
    // that does not parse, cannot be read or cannot be written), for people to read; empty when
    // that call met no such problem. The result codes stay the only thing the program acts on.
    virtual std::string LastError() const { return {}; }

    // Saving many values at once. Between BeginBatch and EndBatch a store may gather its changes
    // and write them together: every call is still checked and answered at once, but a change it
    // accepted may wait for EndBatch to be written. HeldChanges counts the waiting changes (0 at
    // BeginBatch); EndBatch writes them and names, by that count as it stood before each one was
    // made, those that could not be saved after all, in order. The Windows registry writes every
    // change at once, so there a batch changes nothing.
    struct UnsavedChange {
        std::size_t index = 0;
        LONG code = ERROR_SUCCESS;
        std::string reason;  // as LastError would have told it
    };
    virtual void BeginBatch() {}
    virtual std::size_t HeldChanges() const { return 0; }
    virtual std::vector<UnsavedChange> EndBatch() { return {}; }
};

// A batch that ends with the scope at the latest, written whatever way the scope is left.
class RegistryBatch {
public:
    explicit RegistryBatch(RegistryApi& registry) : registry_(registry) { registry_.BeginBatch(); }
    ~RegistryBatch() {
        if (open_) {
            registry_.EndBatch();
        }
    }
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    std::vector<RegistryApi::UnsavedChange> End() {
        open_ = false;
        return registry_.EndBatch();
    }

private:
    RegistryApi& registry_;
    bool open_ = true;
};

}  // namespace qm
