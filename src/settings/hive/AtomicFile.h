#pragma once

#include <string>

namespace qm {

// Whole-file replacement that a crash or a kill at any moment cannot tear: whoever opens the
// file sees either all of the old text or all of the new.
class AtomicFile {
public:
    // Writes content to a temporary file in the same folder, flushes it to disk, renames it
    // over path and flushes the folder. The file keeps its permission bits (a new one gets
    // what the umask allows of 0666); a symbolic link is followed, so the link stays. Returns 0
    // or the errno.
    static int Replace(const std::string& path, const std::string& content);

    // Removes path and flushes its folder; a missing file is fine. Returns 0 or the errno.
    static int Remove(const std::string& path);

    // The file that Replace(path) writes: path itself, or the file a symbolic link there leads
    // to. Whoever locks a file for writing locks beside this one, whatever path led to it.
    static std::string Target(const std::string& path);

    // Deletes the temporaries that writers killed half-way left next to path. Only safe
    // while no other writer can be busy with path, that is under its lock.
    static void RemoveLeftovers(const std::string& path);
};

}  // namespace qm
