#pragma once

#include <chrono>
#include <string>

namespace qm {

// An exclusive advisory lock (flock) on a lock file of its own, held for the object's life.
// Programs that change the same hive take it around their read-modify-write, so two of them
// never interleave; readers need none, because a hive is only ever replaced whole.
class FileLock {
public:
    // Waits for the lock at most patience: a program that keeps it must not freeze this one,
    // device input included. Past it the lock is not held and Error() is ETIMEDOUT. The lock
    // file is created when missing.
    static constexpr std::chrono::seconds kPatience{2};
    explicit FileLock(const std::string& lockPath, std::chrono::milliseconds patience = kPatience);
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
