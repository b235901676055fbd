#include "settings/hive/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace qm {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTempMark = ".tmp-";

int SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

int WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// A new file beside base, named base + kTempMark + six letters or digits. It is made with the
// permissions the umask leaves of 0666, as any new file is. Returns the descriptor, or -1 with
// errno set.
int CreateTemporary(const std::string& base, std::string& name) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = base + kTempMark;
        for (int i = 0; i < 6; ++i) {
            name += kLetters[random() % (sizeof kLetters - 1)];
        }
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;  // errno is still EEXIST
}

}  // namespace

// The target of a symbolic link, so that the link survives.
std::string AtomicFile::Target(const std::string& path) {
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        fs::path target = fs::canonical(path, ec);
        if (!ec) {
            return target.string();
        }
    }
    return path;
}

int AtomicFile::Replace(const std::string& path, const std::string& content) {
    const fs::path target(Target(path));
    struct stat existing {};
    const bool replacing = ::stat(target.c_str(), &existing) == 0;

    std::string temp;
    const int fd = CreateTemporary(target.string(), temp);
    if (fd < 0) {
        return errno;
    }
    int error = WriteAll(fd, content);
    if (error == 0 && replacing && ::fchmod(fd, existing.st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    return SyncFolder(target.parent_path());
}

int AtomicFile::Remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    return SyncFolder(fs::path(path).parent_path());
}

void AtomicFile::RemoveLeftovers(const std::string& path) {
    const fs::path target(Target(path));
    const std::string prefix = target.filename().string() + kTempMark;
    std::error_code ec;
    fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

}  // namespace qm
