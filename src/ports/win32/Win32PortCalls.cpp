#include "ports/win32/Win32PortCalls.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winspool.h>

namespace qm::win32 {
namespace {

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

bool EnumPortNames(std::vector<std::string>& names) {
    names.clear();
    const LPSTR name = nullptr;  // this machine
    DWORD needed = 0;
    DWORD returned = 0;
    // A port may come or go between the size query and the fetch: ask again, a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (!::EnumPortsA(name, 2, nullptr, 0, &needed, &returned) &&
            ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
        if (needed == 0) {
            return true;
        }
        // Records first, then their texts; whole records keep the pointers aligned.
        std::vector<PORT_INFO_2A> buffer(needed / sizeof(PORT_INFO_2A) + 1);
        const auto size = static_cast<DWORD>(buffer.size() * sizeof(PORT_INFO_2A));
        if (::EnumPortsA(name, 2, reinterpret_cast<LPBYTE>(buffer.data()), size, &needed, &returned)) {
            // Never trust a count beyond the records there was room for.
            for (DWORD i = 0; i < returned && i < buffer.size(); ++i) {
                names.push_back(Text(buffer[i].pPortName));
            }
            return true;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
    }
    return false;
}

bool OpensForSharedReading(const char* name) {
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    const HANDLE handle =
        ::CreateFileA(name, 0, FILE_SHARE_READ, &attributes, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(handle);
    return true;
}

}  // namespace qm::win32
