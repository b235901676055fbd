#include "support/gui/PtyPair.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace qm::test {

PtyPair::PtyPair() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    // Raw from the start, so nothing written before the program opens the line is echoed
    // or changed. The slave stays open here so the line lives while the program reopens it.
    termios settings{};
    if (::tcgetattr(slave_, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(slave_, TCSANOW, &settings);
    }
    devicePath_ = name;
}

PtyPair::~PtyPair() {
    CloseFarEnd();
    if (slave_ >= 0) {
        ::close(slave_);
    }
}

void PtyPair::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(master_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error("write to the pseudo-terminal failed");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

bool PtyPair::WaitUntilWaiting(int count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (true) {
        int waiting = 0;
        if (::ioctl(slave_, FIONREAD, &waiting) == 0 && waiting >= count) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void PtyPair::LinkAt(const std::string& link) const {
    const std::string fresh = link + ".new";
    std::filesystem::remove(fresh);
    std::filesystem::create_symlink(devicePath_, fresh);
    std::filesystem::rename(fresh, link);
}

void PtyPair::CloseFarEnd() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

}  // namespace qm::test
