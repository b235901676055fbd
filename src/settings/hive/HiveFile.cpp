#include "settings/hive/HiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "settings/hive/AtomicFile.h"
#include "settings/hive/FileLock.h"
#include "settings/hive/RegFormat.h"

namespace qm {

namespace {

namespace fs = std::filesystem;

// No settings file comes anywhere near this size. A bigger file is refused unread, like a
// damaged one, so that a stray file cannot make every start slow or take all memory.
constexpr std::size_t kLargestHive = std::size_t{16} << 20;

// Write permission as the mode bits show it. A file or folder without any write bit counts as
// read-only even for the superuser, who could write it anyway: someone protected it on purpose.
bool Writable(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return true;  // the write itself will say what is wrong
    }
    return (info.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

// The whole file, as long as it is no larger than kLargestHive (tooLarge tells when it was).
bool ReadAll(int fd, std::string& text, bool& tooLarge) {
    char buffer[8192];
    tooLarge = false;
    while (true) {
        if (text.size() > kLargestHive) {
            tooLarge = true;
            return true;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return true;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

bool HiveFile::Signature::operator==(const Signature& other) const {
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

LONG HiveFile::WriteErrorCode(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
}

HiveFile::HiveFile(std::string path, std::string rootName)
    : path_(std::move(path)), rootName_(std::move(rootName)) {}

HiveFile::~HiveFile() = default;

LONG HiveFile::Fail(LONG code, std::string message) {
    problem_ = std::move(message);
    return code;
}

LONG HiveFile::Refresh() {
    problem_.clear();
    if (batchLock_) {
        return ERROR_SUCCESS;  // nobody else writes while the lock is ours; the tree holds the batch
    }
    // Without blocking: a FIFO or a device in the file's place must be refused, not waited on.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno != ENOENT) {
            return Fail(ERROR_CANTREAD,
                        "The settings file " + path_ + " cannot be read: " + std::strerror(errno) + ".");
        }
        root_ = HiveKey();
        signature_ = Signature{};
        state_ = ERROR_SUCCESS;
        loaded_ = true;
        return ERROR_SUCCESS;
    }
    struct stat info {};
    std::string text;
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const Signature now{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    const bool unchanged = loaded_ && regular && now == signature_;
    bool tooLarge = regular && !unchanged && info.st_size > static_cast<off_t>(kLargestHive);
    const bool read = regular && !unchanged && !tooLarge && ReadAll(fd, text, tooLarge);
    const int readError = errno;
    ::close(fd);
    if (!regular) {
        return Fail(ERROR_CANTREAD, "The settings file " + path_ + " is not a regular file.");
    }
    if (!unchanged && tooLarge) {
        signature_ = now;
        loaded_ = true;
        root_ = HiveKey();
        state_ = ERROR_BADDB;
        stateProblem_ = "The settings file " + path_ + " is larger than " +
                        std::to_string(kLargestHive >> 20) +
                        " MB, which no settings file is. It is left unchanged and no setting can be read or "
                        "saved until it is replaced or removed.";
    } else if (!unchanged) {
        if (!read) {
            return Fail(ERROR_CANTREAD,
                        "The settings file " + path_ + " cannot be read: " + std::strerror(readError) + ".");
        }
        RegFormatError error;
        std::optional<HiveKey> parsed = RegFormat::Read(text, rootName_, error);
        signature_ = now;
        loaded_ = true;
        if (parsed) {
            root_ = std::move(*parsed);
            state_ = ERROR_SUCCESS;
            stateProblem_.clear();
        } else {
            root_ = HiveKey();
            state_ = ERROR_BADDB;
            stateProblem_ = "The settings file " + path_ + " is damaged at line " +
                            std::to_string(error.line) + ": " + error.reason +
                            ". It is left unchanged and no setting can be read or saved until it is mended "
                            "or removed.";
        }
    }
    if (state_ != ERROR_SUCCESS) {
        problem_ = stateProblem_;
    }
    return state_;
}

LONG HiveFile::CheckWritable() {
    const fs::path file(AtomicFile::Target(path_));
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    std::error_code ec;
    if (!fs::exists(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) {
            return Fail(WriteErrorCode(ec.value()),
                        "The folder " + folder.string() +
                            " for the settings cannot be created: " + ec.message() + ".");
        }
    }
    if (!Writable(folder) || (fs::exists(file, ec) && !Writable(file))) {
        return Fail(ERROR_ACCESS_DENIED, "The settings file " + path_ + " or its folder is read-only.");
    }
    return ERROR_SUCCESS;
}

LONG HiveFile::Modify(const Change& change) {
    if (batchLock_) {
        problem_.clear();
        HiveKey updated = root_;
        bool changed = false;
        const LONG result = change(updated, changed);
        if (result == ERROR_SUCCESS && changed) {
            root_ = std::move(updated);
            ++heldChanges_;
        }
        return result;
    }
    LONG result = Refresh();
    if (result != ERROR_SUCCESS) {
        return result;
    }
    {
        HiveKey trial = root_;
        bool changed = false;
        result = change(trial, changed);
        if (result != ERROR_SUCCESS || !changed) {
            return result;
        }
    }
    result = CheckWritable();
    if (result != ERROR_SUCCESS) {
        return result;
    }
    // Beside the file really written: writers that reach it through different paths (a
    // symbolic link and its target) must take the same lock.
    if (!batchLockProblem_.empty()) {
        // Each change of a batch would wait its own while: one wait fails the batch.
        return Fail(ERROR_CANTWRITE, batchLockProblem_);
    }
    const std::string lockPath = AtomicFile::Target(path_) + ".lock";
    auto lock = std::make_unique<FileLock>(lockPath);
    if (!lock->Held()) {
        const LONG code = Fail(
            WriteErrorCode(lock->Error()),
            "The settings file " + path_ + " cannot be locked: " +
                (lock->Error() == ETIMEDOUT ? "another program has held " + lockPath + " for more than " +
                                                  std::to_string(FileLock::kPatience.count()) + " seconds"
                                            : std::string(std::strerror(lock->Error()))) +
                ".");
        if (batch_) {
            batchLockProblem_ = problem_;
        }
        return code;
    }
    // Read again whatever the file looks like: an edit made in place within the clock's
    // granularity keeps size and time stamps.
    loaded_ = false;
    result = Refresh();
    if (result != ERROR_SUCCESS) {
        return result;
    }
    HiveKey updated = root_;
    bool changed = false;
    result = change(updated, changed);
    if (result != ERROR_SUCCESS || !changed) {
        return result;
    }
    if (batch_) {
        root_ = std::move(updated);
        ++heldChanges_;
        batchLock_ = std::move(lock);
        return ERROR_SUCCESS;
    }
    return Save(std::move(updated));
}

LONG HiveFile::EndBatch() {
    batch_ = false;
    batchLockProblem_.clear();
    heldChanges_ = 0;
    if (!batchLock_) {
        return ERROR_SUCCESS;
    }
    const std::unique_ptr<FileLock> lock = std::move(batchLock_);
    const LONG result = Save(root_);
    if (result != ERROR_SUCCESS) {
        loaded_ = false;  // the tree holds what the file does not: read the file again
    }
    return result;
}

LONG HiveFile::Save(HiveKey updated) {
    const std::string text = RegFormat::Write(updated, rootName_);
    if (text.size() > kLargestHive) {
        // It would be refused when read back: keep the file as it is.
        return Fail(ERROR_CANTWRITE, "The settings file " + path_ + " would grow larger than " +
                                         std::to_string(kLargestHive >> 20) + " MB.");
    }
    AtomicFile::RemoveLeftovers(path_);
    const int error = AtomicFile::Replace(path_, text);
    if (error != 0) {
        return Fail(WriteErrorCode(error),
                    "The settings file " + path_ + " cannot be written: " + std::strerror(error) + ".");
    }
    root_ = std::move(updated);
    // Our own write must not count as a change on disk: note the file as it is now, while the
    // lock still keeps everyone else out.
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0) {
        signature_ = Signature{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    } else {
        loaded_ = false;
    }
    return ERROR_SUCCESS;
}

}  // namespace qm
