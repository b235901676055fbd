#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "settings/RegistryApi.h"
#include "settings/hive/HiveKey.h"

namespace qm {

class FileLock;

// One root key's hive, kept in one REGEDIT4 file. The tree is read again whenever the file
// changed on disk, so what another program saved is seen at once. A change is made by
// reading the file under the lock, applying the change and replacing the file whole, so an
// edit made by someone else in between is kept and nobody ever sees a torn file.
//
// A file that does not parse, or is larger than 16 MB, is never written: every call reports
// ERROR_BADDB until the file is mended or removed. A change that would make the file larger than
// that is refused with ERROR_CANTWRITE. A missing file is an empty hive; the first change creates it
// (and its folder).
class HiveFile {
public:
    HiveFile(std::string path, std::string rootName);
    ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& RootName() const { return rootName_; }

    // Brings the tree up to date with the file: ERROR_SUCCESS, ERROR_BADDB (the file does not
    // parse) or ERROR_CANTREAD (it cannot be read at all).
    LONG Refresh();
    // The tree as of the last successful Refresh or Modify.
    const HiveKey& Root() const { return root_; }

    // A change to the tree: returns a result code and sets changed when it changed anything.
    // It runs more than once, so it must depend on nothing but the tree it is handed.
    using Change = std::function<LONG(HiveKey& root, bool& changed)>;
    // Applies and saves a change. A change that fails or changes nothing on the current tree
    // returns at once, without the lock and without a write. Otherwise the change is made
    // again, under the lock, on the file as it is then, and saved; the tree takes it only
    // once the file holds it. Besides the change's own codes: ERROR_BADDB, ERROR_CANTREAD,
    // ERROR_ACCESS_DENIED (read-only file or folder) and ERROR_CANTWRITE.
    LONG Modify(const Change& change);

    // A batch: from BeginBatch on, a change is made under the lock as Modify makes it, but only in
    // memory, and the lock is kept; EndBatch writes them all in one replace of the file (a crash
    // leaves the old file or the new one) and lets the lock go. Reads in between see the changes.
    // When that write fails, the tree is read from the file again and the failure's code returned.
    void BeginBatch() { batch_ = true; }
    LONG EndBatch();
    // Changes made in memory since BeginBatch that wait for EndBatch.
    std::size_t HeldChanges() const { return heldChanges_; }

    // The result code for a write that failed with an errno: ERROR_ACCESS_DENIED for a
    // permission or read-only file system, ERROR_CANTWRITE otherwise.
    static LONG WriteErrorCode(int error);

    // Why the last Refresh or Modify failed for a reason of the file itself; empty otherwise.
    const std::string& Problem() const { return problem_; }

private:
    struct Signature {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const Signature& other) const;
    };

    LONG Fail(LONG code, std::string message);
    LONG CheckWritable();
    // Replaces the file with the tree; the tree becomes the one kept once the file holds it.
    LONG Save(HiveKey updated);

    std::string path_;
    std::string rootName_;
    HiveKey root_;
    bool loaded_ = false;
    Signature signature_;
    LONG state_ = ERROR_SUCCESS;  // the code the file as last read gives (ERROR_BADDB when broken)
    std::string stateProblem_;    // and why
    std::string problem_;
    bool batch_ = false;
    std::unique_ptr<FileLock> batchLock_;  // held from a batch's first change to its end
    std::string batchLockProblem_;         // why the batch could not have the lock, if it could not
    std::size_t heldChanges_ = 0;
};

}  // namespace qm
