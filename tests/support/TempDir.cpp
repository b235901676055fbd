#include "support/TempDir.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace qm::test {

TempDir::TempDir() {
    // What mkdtemp does, on every system: a random name, taken only if nobody has it yet.
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "qm-test-%08x", static_cast<unsigned>(random()));
        std::error_code ec;
        if (fs::create_directory(base / name, ec)) {
            path_ = base / name;
            fs::permissions(path_, fs::perms::owner_all, ec);
            return;
        }
        if (ec) {
            break;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

}  // namespace qm::test
