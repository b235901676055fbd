#pragma once

#include <string>
#include <vector>

#include "ports/PortSystem.h"

namespace qm {

// The ports of a Windows system: level-2 EnumPortsA of the print spooler (which lists the COM
// ports beside printer, file and network ports) and CreateFileA/CloseHandle for the open test.
class Win32PortSystem final : public PortSystem {
public:
    bool ListPorts(std::vector<std::string>& names) override;
    bool OpensNow(const std::string& portName) override;

    // The name to open for a port name. The spooler reports COM ports as "COMn:", and only
    // COM1: to COM9: open under that name: from COM10 on the system knows a port only by its
    // device path. So every "COMn" or "COMn:" (any case) opens as "\\.\COMn"; other names are
    // opened as they are.
    static std::string DevicePath(const std::string& portName);
};

}  // namespace qm
