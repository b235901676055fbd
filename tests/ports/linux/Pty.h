#pragma once

#include <pty.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace qm::test {

// A pseudo-terminal pair: the slave side stands in for a serial port.
class Pty {
public:
    Pty() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        path_ = name;
    }
    ~Pty() {
        ::close(slave_);
        ::close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int Master() const { return master_; }
    // The slave side held open, as another program holding the port would.
    int Slave() const { return slave_; }
    const std::string& Path() const { return path_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace qm::test
