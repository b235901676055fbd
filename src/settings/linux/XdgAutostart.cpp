#include "settings/linux/XdgAutostart.h"

#include <sys/stat.h>

#include <climits>
#include <cstring>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

#include "diag/Cp1252.h"
#include "settings/hive/AtomicFile.h"
#include "settings/hive/XdgConfigHome.h"

namespace qm {

namespace {

namespace fs = std::filesystem;

constexpr const char* kEntryName = "Quillmotion.desktop";

// The longest program path worth trying: the longest Linux path, and ".exe", which the Linux
// name may lack.
constexpr std::size_t kExe = 4;
constexpr std::size_t kLongestProgram = PATH_MAX - 1 + kExe;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ToLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The names a program may have on Linux: as written, and for "X.exe" also X and x.
std::vector<std::string> ProgramNames(const std::string& path) {
    std::vector<std::string> names{path};
    if (path.size() > 4 && ToLower(path.substr(path.size() - 4)) == ".exe") {
        const std::string stem = path.substr(0, path.size() - 4);
        const std::size_t nameStart = stem.rfind('/') == std::string::npos ? 0 : stem.rfind('/') + 1;
        names.push_back(stem);
        names.push_back(stem.substr(0, nameStart) + ToLower(stem.substr(nameStart)));
    }
    return names;
}

// A Windows program path as the Linux file it stands for: the first spelling that exists of
// the path as written, with its last backslash (the one before the file name) as a slash, and
// with every backslash as a slash; else nothing.
std::optional<std::string> ExistingSpelling(const std::string& path, const XdgAutostart::FileTest& isFile) {
    if (path.size() > kLongestProgram) {
        return std::nullopt;  // no file has so long a path
    }
    std::vector<std::string> spellings{path};
    const std::size_t last = path.rfind('\\');
    if (last != std::string::npos) {
        std::string lastOnly = path;
        lastOnly[last] = '/';
        std::string all = path;
        std::replace(all.begin(), all.end(), '\\', '/');
        spellings.push_back(lastOnly);
        spellings.push_back(all);
    }
    for (const std::string& spelling : spellings) {
        for (const std::string& name : ProgramNames(spelling)) {
            if (isFile(name)) {
                return name;
            }
        }
    }
    return std::nullopt;
}

// The spelling that exists, else the one with every backslash as a slash.
std::string LinuxPath(const std::string& path, const XdgAutostart::FileTest& isFile) {
    if (std::optional<std::string> existing = ExistingSpelling(path, isFile)) {
        return *existing;
    }
    std::string all = path;
    std::replace(all.begin(), all.end(), '\\', '/');
    return all;
}

// The first part of text, up to one of the marks, that names an existing file, and the mark's
// position; nothing when none does. A path longer than the system takes, or with a longer file
// or folder name, names nothing, and neither does any longer part: so the search ends there
// and costs no more than the start of the line, however long the line is.
std::optional<std::pair<std::string, std::size_t>> FirstExistingPart(const std::string& text, char mark,
                                                                     const XdgAutostart::FileTest& isFile) {
    std::size_t nameLength = 0;
    for (std::size_t i = 0; i < text.size() && i <= kLongestProgram && nameLength <= NAME_MAX + kExe; ++i) {
        const char c = text[i];
        if ((c == mark || (mark == ' ' && IsBlank(c))) && i > 0) {
            if (std::optional<std::string> existing = ExistingSpelling(text.substr(0, i), isFile)) {
                return std::make_pair(std::move(*existing), i);
            }
        }
        nameLength = c == '/' || c == '\\' ? 0 : nameLength + 1;
    }
    return std::nullopt;
}

// The arguments after the program, by the rules of the Windows C runtime: blanks separate,
// quotation marks group, 2n backslashes before a quotation mark are n backslashes and a
// grouping mark, 2n+1 are n backslashes and a literal mark, other backslashes are literal.
std::vector<std::string> SplitWindowsArguments(const std::string& text) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            return arguments;
        }
        std::string argument;
        bool quoted = false;
        while (i < text.size() && (quoted || !IsBlank(text[i]))) {
            if (text[i] == '\\') {
                std::size_t count = 0;
                while (i < text.size() && text[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < text.size() && text[i] == '"') {
                    argument.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(count, '\\');
                }
            } else if (text[i] == '"') {
                if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += text[i++];
            }
        }
        arguments.push_back(std::move(argument));
    }
}

// One argument of an Exec line: always quoted, with ", `, $ and \ escaped inside the quotes,
// and % doubled since a single one would start a field code.
std::string QuoteExecArgument(const std::string& argument) {
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c;
        if (c == '%') {
            out += '%';
        }
    }
    return out + '"';
}

// The escapes of a desktop entry's string values, which apply on top of the Exec quoting.
std::string EscapeString(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

XdgAutostart::XdgAutostart(std::string folder) : folder_(std::move(folder)) {}

std::string XdgAutostart::DefaultFolder() {
    return XdgConfigHome() + "/autostart";
}

std::string XdgAutostart::EntryPath() const {
    return (fs::path(folder_) / kEntryName).string();
}

std::vector<std::string> XdgAutostart::ProgramArguments(const std::string& commandLine) {
    return ProgramArguments(commandLine, IsFile);
}

std::vector<std::string> XdgAutostart::ProgramArguments(const std::string& commandLine,
                                                        const FileTest& isFile) {
    std::string line = Utf8FromCp1252(commandLine);
    line.erase(0, line.find_first_not_of(" \t"));
    std::string program;
    std::string rest;
    if (!line.empty() && line[0] == '"') {
        // A Linux folder may hold a quotation mark, which Windows paths never do: the program
        // may then run on past the first closing mark.
        const std::string quoted = line.substr(1);
        if (auto existing = FirstExistingPart(quoted, '"', isFile)) {
            program = std::move(existing->first);
            rest = quoted.substr(existing->second + 1);
        } else {
            const std::size_t close = quoted.find('"');
            program = LinuxPath(quoted.substr(0, close), isFile);
            rest = close == std::string::npos ? std::string() : quoted.substr(close + 1);
        }
    } else {
        while (!line.empty() && IsBlank(line.back())) {
            line.pop_back();
        }
        if (auto existing = FirstExistingPart(line, ' ', isFile)) {
            program = std::move(existing->first);
            rest = line.substr(existing->second);
        } else {
            program = LinuxPath(line, isFile);
        }
    }
    std::vector<std::string> arguments{program};
    for (std::string& argument : SplitWindowsArguments(rest)) {
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string XdgAutostart::EntryText(const std::string& commandLine) {
    std::string exec;
    for (const std::string& argument : ProgramArguments(commandLine)) {
        exec += (exec.empty() ? "" : " ") + QuoteExecArgument(argument);
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillmotion\n"
           "Exec=" +
           EscapeString(exec) +
           "\n"
           "X-GNOME-Autostart-enabled=true\n";
}

int XdgAutostart::Write(const std::string& commandLine) const {
    if (ProgramArguments(commandLine).front().empty()) {
        return Remove();  // a blank line starts nothing
    }
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) {
        return ec.value();
    }
    return AtomicFile::Replace(EntryPath(), EntryText(commandLine));
}

int XdgAutostart::Remove() const {
    return AtomicFile::Remove(EntryPath());
}

bool XdgAutostart::Enable(const std::string& commandLine, std::string& problem) {
    return Done(Write(commandLine), problem);
}

bool XdgAutostart::Disable(std::string& problem) {
    return Done(Remove(), problem);
}

bool XdgAutostart::Done(int error, std::string& problem) const {
    if (error == 0) {
        return true;
    }
    problem = "The setting was saved, but the autostart entry " + EntryPath() +
              " could not be updated: " + std::strerror(error) + ".";
    return false;
}

}  // namespace qm
