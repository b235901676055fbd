#pragma once

#include <string>
#include <vector>

namespace qm {

// The system's view of its ports: the names it knows, and whether a port can be opened now.
class PortSystem {
public:
    virtual ~PortSystem() = default;

    // The names of every port this machine knows (printer, file and network ports too), ANSI
    // (Windows-1252), in the system's order. False when the system would not list them.
    virtual bool ListPorts(std::vector<std::string>& names) = 0;

    // Opens the port's device for shared reading, asking for no access rights, and closes it
    // again at once: true when it opened. A port another program holds, or whose device is
    // absent, does not open.
    virtual bool OpensNow(const std::string& portName) = 0;
};

}  // namespace qm
