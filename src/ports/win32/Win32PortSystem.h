#pragma once

#include <string>

#include "ports/PortSystem.h"

namespace qm {

// The ports of a Windows system: level-2 EnumPortsA of the print spooler (which lists the COM
// ports beside printer, file and network ports) and CreateFileA/CloseHandle for the open test.
class Win32PortSystem final : public PortSystem {
public:
    bool EnumPortsA(const std::string& pName, DWORD Level, PORT_INFO_2* pPorts, DWORD cbBuf, DWORD* pcbNeeded,
                    DWORD* pcReturned) override;
    HANDLE CreateFileA(const std::string& lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       const SECURITY_ATTRIBUTES* lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override;
    bool CloseHandle(HANDLE hObject) override;

    // The name to open for a port name. The spooler reports COM ports as "COMn:", and only
    // COM1: to COM9: open under that name: from COM10 on the system knows a port only by its
    // device path. So every "COMn" or "COMn:" (any case) opens as "\\.\COMn"; other names are
    // opened as they are.
    static std::string DevicePath(const std::string& portName);
};

}  // namespace qm
