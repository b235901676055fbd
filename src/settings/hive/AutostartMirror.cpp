#include "settings/hive/AutostartMirror.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "diag/Cp1252.h"
#include "settings/hive/AtomicFile.h"
#include "settings/hive/XdgConfigHome.h"

namespace qm {

namespace {

namespace fs = std::filesystem;

constexpr const char* kEntryName = "Quillmotion.desktop";

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
// with every backslash as a slash; else the last of these.
std::string LinuxPath(const std::string& path) {
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
            if (IsFile(name)) {
                return name;
            }
        }
    }
    return spellings.back();
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

AutostartMirror::AutostartMirror(std::string folder) : folder_(std::move(folder)) {}

std::string AutostartMirror::DefaultFolder() {
    return XdgConfigHome() + "/autostart";
}

std::string AutostartMirror::EntryPath() const {
    return (fs::path(folder_) / kEntryName).string();
}

std::vector<std::string> AutostartMirror::ProgramArguments(const std::string& commandLine) {
    std::string line = Utf8FromCp1252(commandLine);
    line.erase(0, line.find_first_not_of(" \t"));
    std::string program;
    std::string rest;
    if (!line.empty() && line[0] == '"') {
        const std::size_t close = line.find('"', 1);
        program = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        rest = close == std::string::npos ? std::string() : line.substr(close + 1);
    } else {
        while (!line.empty() && IsBlank(line.back())) {
            line.pop_back();
        }
        program = line;
        for (std::size_t blank = line.find_first_of(" \t"); blank != std::string::npos;
             blank = line.find_first_of(" \t", blank + 1)) {
            if (IsFile(LinuxPath(line.substr(0, blank)))) {
                program = line.substr(0, blank);
                rest = line.substr(blank);
                break;
            }
        }
    }
    std::vector<std::string> arguments{LinuxPath(program)};
    for (std::string& argument : SplitWindowsArguments(rest)) {
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string AutostartMirror::EntryText(const std::string& commandLine) {
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

int AutostartMirror::Write(const std::string& commandLine) const {
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

int AutostartMirror::Remove() const {
    return AtomicFile::Remove(EntryPath());
}

}  // namespace qm
