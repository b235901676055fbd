#include "settings/hive/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace qm {

FileLock::FileLock(const std::string& lockPath, std::chrono::milliseconds patience) {
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);  // as the umask says
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    // flock has no timeout of its own: it is tried without blocking until the patience is spent.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    int result;
    while ((result = ::flock(fd_, LOCK_EX | LOCK_NB)) != 0 && (errno == EINTR || errno == EWOULDBLOCK)) {
        if (errno == EWOULDBLOCK && std::chrono::steady_clock::now() >= deadline) {
            errno = ETIMEDOUT;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (result != 0) {
        error_ = errno;
        ::close(fd_);
        fd_ = -1;
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing the last descriptor releases the lock
    }
}

}  // namespace qm
