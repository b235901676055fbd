#pragma once

#include <string>

namespace qm {

// An exclusive advisory lock (flock) on a lock file of its own, held for the object's life.
// Programs that change the same hive take it around their read-modify-write, so two of them
// never interleave; readers need none, because a hive is only ever replaced whole.
class FileLock {
public:
    // Waits until the lock is free. The lock file is created when missing.
    explicit FileLock(const std::string& lockPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    // The errno of the failure when the lock could not be had.
    int Error() const { return error_; }

private:
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace qm
