#include "diag/LogLocation.h"

#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace qm {

namespace fs = std::filesystem;

std::string StateLogFile() {
    // A relative XDG_STATE_HOME is invalid and is ignored, as the base directory rules say.
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base;
    if (state != nullptr && fs::path(state).is_absolute()) {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || !fs::path(home).is_absolute()) {
            return {};
        }
        base = fs::path(home) / ".local" / "state";
    }
    return (base / "quillmotion" / "log.txt").string();
}

std::string LogFileFor(const std::string& programFolder, const std::string& installedFolder) {
    std::string beside = (fs::path(programFolder) / "log.txt").string();
#ifdef _WIN32
    (void)installedFolder;
    return beside;
#else
    const bool installed = !installedFolder.empty() && fs::path(programFolder) == fs::path(installedFolder);
    if (!installed && ::access(programFolder.c_str(), W_OK) == 0) {
        return beside;
    }
    const std::string state = StateLogFile();
    return state.empty() ? beside : state;
#endif
}

void PrepareLogFolder(const std::string& logFile) {
    const fs::path folder = fs::path(logFile).parent_path();
    std::error_code ec;
    if (folder.empty() || fs::exists(folder, ec)) {
        return;
    }
    fs::create_directories(folder, ec);
    if (!ec) {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    }
}

}  // namespace qm
