#include "ports/win32/Win32PortSystem.h"

#include <cctype>
#include <vector>

#include "ports/win32/Win32PortCalls.h"

namespace qm {

bool Win32PortSystem::ListPorts(std::vector<std::string>& names) {
    return win32::EnumPortNames(names);
}

bool Win32PortSystem::OpensNow(const std::string& portName) {
    return win32::OpensForSharedReading(DevicePath(portName).c_str());
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
