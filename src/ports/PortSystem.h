#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

using DWORD = std::uint32_t;
// A system handle; INVALID_HANDLE_VALUE marks a failed open.
using HANDLE = std::intptr_t;
inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;

// One port as level-2 port enumeration describes it. Texts are ANSI (Windows-1252).
struct PORT_INFO_2 {
    std::string pPortName;
    std::string pMonitorName;
    std::string pDescription;
    DWORD fPortType = 0;
    DWORD Reserved = 0;
};

// The size of one level-2 record in the enumeration buffer, as the system counts it.
inline constexpr DWORD kPortInfo2Size = 20;

inline constexpr DWORD PORT_TYPE_WRITE = 0x1;
inline constexpr DWORD PORT_TYPE_READ = 0x2;
inline constexpr DWORD PORT_TYPE_REDIRECTED = 0x4;
inline constexpr DWORD PORT_TYPE_NET_ATTACHED = 0x8;

// CreateFileA arguments the open test uses.
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

struct SECURITY_ATTRIBUTES {
    DWORD nLength = 0;
    void* lpSecurityDescriptor = nullptr;
    bool bInheritHandle = false;
};

// The system's view of its ports: the names it knows, and whether a port can be opened now.
class PortSystem {
public:
    virtual ~PortSystem() = default;

    // Level-2 enumeration with the Win32 two-call protocol. An empty server name means this
    // machine. Sizes are in bytes as the system counts them: kPortInfo2Size per record plus
    // each non-empty text with its NUL (EnumPortsBufferSize). The buffer has room for
    // cbBuf / kPortInfo2Size records. When cbBuf is too small nothing is written,
    // *pcbNeeded receives the size needed, *pcReturned 0, and the result is false.
    virtual bool EnumPortsA(const std::string& pName, DWORD Level, PORT_INFO_2* pPorts, DWORD cbBuf,
                            DWORD* pcbNeeded, DWORD* pcReturned) = 0;

    // Opens a device by its port name; INVALID_HANDLE_VALUE when it cannot be opened now.
    virtual HANDLE CreateFileA(const std::string& lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                               const SECURITY_ATTRIBUTES* lpSecurityAttributes, DWORD dwCreationDisposition,
                               DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) = 0;
    virtual bool CloseHandle(HANDLE hObject) = 0;
};

// The buffer size, in bytes, that level-2 enumeration needs for these records.
DWORD EnumPortsBufferSize(const std::vector<PORT_INFO_2>& ports);

// Answers one level-2 enumeration call from a list, with the protocol described above.
// Backends whose port list is known in advance share it.
bool EnumPortsFromList(const std::vector<PORT_INFO_2>& ports, PORT_INFO_2* pPorts, DWORD cbBuf,
                       DWORD* pcbNeeded, DWORD* pcReturned);

}  // namespace qm
