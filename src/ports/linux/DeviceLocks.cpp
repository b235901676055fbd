#include "ports/linux/DeviceLocks.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <set>

#include "ports/linux/SerialDeviceScan.h"

namespace qm {
namespace {

// The first bytes of a lock file are all we need to read the process id.
constexpr std::size_t kLockReadSize = 64;

bool ProcessAlive(long pid) {
    if (pid <= 0 || pid > 0x3FFFFFFF) {
        return false;
    }
    // EPERM: the process exists but belongs to someone else.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// UUCP lock files hold the id as ten ASCII characters; Qt's as a decimal line; old Kermit
// style files as a 4-byte binary number.
long LockFileProcess(int fd) {
    char buffer[kLockReadSize] = {};
    const ssize_t length = ::pread(fd, buffer, sizeof buffer, 0);
    if (length <= 0) {
        return 0;
    }
    if (length == 4) {
        bool text = true;
        for (ssize_t i = 0; i < length; ++i) {
            const char c = buffer[i];
            text = text && ((c >= '0' && c <= '9') || c == ' ' || c == '\t' || c == '\n');
        }
        if (!text) {
            std::int32_t binary = 0;
            std::memcpy(&binary, buffer, sizeof binary);
            return binary;
        }
    }
    long pid = 0;
    ssize_t i = 0;
    while (i < length && (buffer[i] == ' ' || buffer[i] == '\t')) {
        ++i;
    }
    for (; i < length && buffer[i] >= '0' && buffer[i] <= '9'; ++i) {
        pid = pid * 10 + (buffer[i] - '0');
        if (pid > 0x3FFFFFFF) {
            return 0;
        }
    }
    return pid;
}

bool Flocked(int fd) {
    // A Qt lock file stays flocked for as long as its owner holds the port.
    if (::flock(fd, LOCK_SH | LOCK_NB) == -1) {
        return errno == EWOULDBLOCK;
    }
    ::flock(fd, LOCK_UN);
    return false;
}

bool LockFileLive(const std::string& lockPath) {
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1) {
        return false;  // no lock file (or one we may not read: nothing to go on)
    }
    const bool live = Flocked(fd) || ProcessAlive(LockFileProcess(fd));
    ::close(fd);
    return live;
}

// The name the kernel gives a running process; empty when it cannot be seen.
std::string ProcessName(long pid) {
    const int fd = ::open(("/proc/" + std::to_string(pid) + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd == -1) {
        return {};
    }
    char buffer[kLockReadSize] = {};
    const ssize_t length = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    std::string name(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
    while (!name.empty() && name.back() == '\n') {
        name.pop_back();
    }
    return name;
}

}  // namespace

std::vector<std::string> DefaultLockDirs() {
    return {"/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
            "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
}

std::string LockFileName(const std::string& devicePath) {
    std::string name = devicePath.rfind("/dev/", 0) == 0 ? devicePath.substr(5) : devicePath;
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return "LCK.." + name;
}

std::string LockFileHolder(const std::string& devicePath, const std::vector<std::string>& lockDirs) {
    std::string path;
    for (const std::string& dir : lockDirs) {
        const std::string candidate = dir + "/" + LockFileName(devicePath);
        if (::access(dir.c_str(), R_OK) == 0 &&
            (::access(candidate.c_str(), F_OK) == 0 || ::access(dir.c_str(), W_OK) == 0)) {
            path = candidate;
            break;
        }
    }
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1) {
        return path.empty() || errno == ENOENT ? std::string() : "The device is locked by " + path + ".";
    }
    const long pid = LockFileProcess(fd);
    const bool live = Flocked(fd) || ProcessAlive(pid);
    ::close(fd);
    const std::string locked = "The device is locked by " + path + ", which names ";
    if (pid <= 0) {
        return locked + "no process.";
    }
    const std::string process = "process " + std::to_string(pid);
    if (!live) {
        return locked + process + "; it is not running, so the lock is stale.";
    }
    const std::string name = ProcessName(pid);
    return locked + process + (name.empty() ? "." : " (" + name + ").");
}

bool LockFileHeld(const std::string& devicePath, const std::vector<std::string>& lockDirs) {
    std::set<std::string> names{LockFileName(devicePath), LockFileName(ResolveDevicePath(devicePath))};
    for (const std::string& dir : lockDirs) {
        for (const std::string& name : names) {
            if (LockFileLive(std::string(dir).append("/").append(name))) {
                return true;
            }
        }
    }
    return false;
}

PortOpenResult OpenIfFree(const std::string& devicePath, const std::vector<std::string>& lockDirs) {
    PortOpenResult result;
    // Look for lock files first, so a device another program has announced is not touched.
    if (LockFileHeld(devicePath, lockDirs)) {
        result.hold = PortHold::LockFile;
        return result;
    }
    // A serial port is a terminal device. Anything else a setting may name (a file, a disk)
    // is never opened for writing, even for a moment.
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) == 0 && !S_ISCHR(node.st_mode)) {
        result.error = ENOTTY;
        return result;
    }
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1) {
        result.error = errno;
        result.hold = result.error == EBUSY ? PortHold::Exclusive : PortHold::CannotOpen;
        return result;
    }
    if (::isatty(fd) != 1) {
        ::close(fd);
        result.error = ENOTTY;
        return result;
    }
#ifdef TIOCGEXCL
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        ::close(fd);
        result.hold = PortHold::Exclusive;
        return result;
    }
#endif
    if (::flock(fd, LOCK_EX | LOCK_NB) == -1) {
        if (errno == EWOULDBLOCK) {
            ::close(fd);
            result.hold = PortHold::Flock;
            return result;
        }
    } else {
        ::flock(fd, LOCK_UN);
    }
    result.fd = fd;
    result.hold = PortHold::Free;
    return result;
}

}  // namespace qm
