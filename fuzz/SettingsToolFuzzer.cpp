// The settings tool's arguments, run in-process on a real hive file holding a freshly
// initialised tree. Whatever the arguments: the exit status is 0, 1 or 2; refused arguments
// and the commands that only read leave the file byte for byte as it was; the file always
// still reads; and a value the tool reports as set reads back exactly as its text stands for.
//
// Input: the arguments, separated by NUL bytes.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "SettingsTool.h"
#include "SettingsTree.h"
#include "diag/Cp1252.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/hive/RegFormat.h"

namespace {

namespace fs = std::filesystem;

fs::path g_folder;
std::string g_hive;
std::string g_initialised;

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

void RemoveFolder() {
    std::error_code ec;
    fs::remove_all(g_folder, ec);
}

// A folder on a memory file system when there is one: the tool flushes every save to disk.
fs::path NewFolder() {
    std::error_code ec;
    fs::path base = "/dev/shm";
    if (!fs::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0) {
        base = fs::temp_directory_path();
    }
    std::string pattern = (base / "qm-fuzz-tool-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        Broken("a temporary folder", pattern);
    }
    return pattern;
}

std::string Joined(const std::vector<std::string>& args) {
    std::string joined;
    for (const std::string& arg : args) {
        joined += "[" + arg + "] ";
    }
    return joined;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    g_folder = NewFolder();
    std::atexit(RemoveFolder);
    g_hive = (g_folder / "HKEY_LOCAL_MACHINE.reg").string();
    ::setenv("QUILLMOTION_HIVE", g_hive.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (g_folder / "config").c_str(), 1);
    std::ostringstream out;
    std::ostringstream err;
    if (qm::RunSettingsTool({"init"}, out, err) != 0) {
        Broken("init on an empty hive", err.str());
    }
    g_initialised = ReadAll(g_hive);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (args.size() == 8) {
                break;
            }
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    WriteAll(g_hive, g_initialised);

    std::ostringstream out;
    std::ostringstream err;
    const int status = qm::RunSettingsTool(args, out, err);
    if (status < 0 || status > 2) {
        Broken("the exit status is 0, 1 or 2", Joined(args));
    }

    const std::string after = ReadAll(g_hive);
    const std::string& command = args[0];
    const bool readsOnly = command == "get" || command == "export" || command == "--help" ||
                           command == "-h" || command == "help";
    if ((status == 2 || readsOnly) && after != g_initialised) {
        Broken("refused arguments and reading commands leave the file alone", Joined(args));
    }
    if (status == 2 && err.str().empty()) {
        Broken("a refusal says why", Joined(args));
    }
    qm::RegFormatError error;
    if (!qm::RegFormat::Read(after, "HKEY_LOCAL_MACHINE", error)) {
        Broken("the hive still reads",
               Joined(args) + "\nline " + std::to_string(error.line) + ": " + error.reason + "\n" + after);
    }

    if (command == "set" && status == 0) {
        // The value as the tool's own text form stands for it.
        std::vector<std::string> ansi;
        for (std::size_t i = 4; i < args.size(); ++i) {
            ansi.push_back(qm::Cp1252FromUtf8(args[i]));
        }
        std::string problem;
        const std::optional<qm::DWORD> type = qm::SettingsTree::TypeFromName(args[3]);
        const std::optional<qm::SettingsTree::RegValue> meant =
            type ? qm::SettingsTree::ParseValue(*type, ansi, problem) : std::nullopt;
        if (!meant) {
            Broken("a value set was a value", Joined(args));
        }
        qm::FileHiveRegistry hive(g_hive);
        qm::SettingsTree::RegValue stored;
        const std::string name = args[2] == "@" ? std::string() : qm::Cp1252FromUtf8(args[2]);
        const qm::SettingsTree::Status read =
            qm::SettingsTree::ReadValue(hive, qm::Cp1252FromUtf8(args[1]), name, stored);
        if (!read.Ok() || !(stored == *meant)) {
            Broken("a value set reads back as set", Joined(args) + "\n" + read.failure);
        }
    }
    return 0;
}
