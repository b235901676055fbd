#include "diag/ProgramFolder.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qm {

std::string ProgramFolder() {
    std::filesystem::path exe;
#ifdef _WIN32
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    exe = std::string(buffer, length);
#else
    std::error_code ec;
    exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        exe = std::filesystem::current_path(ec) / "quillmotion";
    }
#endif
    return exe.parent_path().string();
}

std::string ProgramFolderFile(const std::string& fileName) {
    std::string folder = ProgramFolder();
    if (folder.empty() || folder.back() != std::filesystem::path::preferred_separator) {
        folder += static_cast<char>(std::filesystem::path::preferred_separator);
    }
    return folder + fileName;
}

}  // namespace qm
