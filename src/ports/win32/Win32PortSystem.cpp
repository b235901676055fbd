#include "ports/win32/Win32PortSystem.h"

#include <cctype>
#include <vector>

#include "ports/win32/Win32PortCalls.h"

namespace qm {

bool Win32PortSystem::EnumPortsA(const std::string& pName, DWORD Level, PORT_INFO_2* pPorts, DWORD cbBuf,
                                 DWORD* pcbNeeded, DWORD* pcReturned) {
    if (pcbNeeded != nullptr) {
        *pcbNeeded = 0;
    }
    if (pcReturned != nullptr) {
        *pcReturned = 0;
    }
    std::vector<win32::SystemPort> found;
    if (Level != 2 || !win32::EnumPorts2(pName, found)) {
        return false;
    }
    // The system's records hold pointers into its own buffer; ours are answered from the list
    // in the sizes the interface counts, so the caller's two calls agree with each other.
    std::vector<PORT_INFO_2> ports;
    ports.reserve(found.size());
    for (win32::SystemPort& port : found) {
        PORT_INFO_2 info;
        info.pPortName = std::move(port.name);
        info.pMonitorName = std::move(port.monitor);
        info.pDescription = std::move(port.description);
        info.fPortType = port.type;
        ports.push_back(std::move(info));
    }
    return EnumPortsFromList(ports, pPorts, cbBuf, pcbNeeded, pcReturned);
}

HANDLE Win32PortSystem::CreateFileA(const std::string& lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                    const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                                    DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                                    HANDLE hTemplateFile) {
    const std::string path = DevicePath(lpFileName);
    return win32::OpenDevice(path.c_str(), dwDesiredAccess, dwShareMode, lpSecurityAttributes != nullptr,
                             lpSecurityAttributes != nullptr && lpSecurityAttributes->bInheritHandle,
                             dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
}

bool Win32PortSystem::CloseHandle(HANDLE hObject) {
    return win32::CloseDevice(hObject);
}

std::string Win32PortSystem::DevicePath(const std::string& portName) {
    std::string name = portName;
    if (!name.empty() && name.back() == ':') {
        name.pop_back();
    }
    const bool com = name.size() > 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
                     std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
                     std::toupper(static_cast<unsigned char>(name[2])) == 'M';
    if (!com) {
        return portName;
    }
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return portName;
        }
    }
    return "\\\\.\\" + name;
}

}  // namespace qm
