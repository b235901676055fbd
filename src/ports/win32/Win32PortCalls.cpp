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

bool EnumPorts2(const std::string& server, std::vector<SystemPort>& ports) {
    ports.clear();
    LPSTR name = server.empty() ? nullptr : const_cast<LPSTR>(server.c_str());
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
            for (DWORD i = 0; i < returned; ++i) {
                const PORT_INFO_2A& info = buffer[i];
                ports.push_back(
                    {Text(info.pPortName), Text(info.pMonitorName), Text(info.pDescription), info.fPortType});
            }
            return true;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
    }
    return false;
}

std::intptr_t OpenDevice(const char* name, std::uint32_t access, std::uint32_t shareMode, bool security,
                         bool inheritHandle, std::uint32_t creation, std::uint32_t flags,
                         std::intptr_t templateFile) {
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = inheritHandle ? TRUE : FALSE;
    const HANDLE handle = ::CreateFileA(name, access, shareMode, security ? &attributes : nullptr, creation,
                                        flags, reinterpret_cast<HANDLE>(templateFile));
    return reinterpret_cast<std::intptr_t>(handle);
}

bool CloseDevice(std::intptr_t handle) {
    return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

}  // namespace qm::win32
