// The settings tool's commands, apart from the process around them so that they can be run
// and fuzzed in-process.

#include "SettingsTool.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "SettingsStore.h"
#include "SettingsTree.h"
#include "diag/Cp1252.h"
#include "settings/SettingsLayout.h"

namespace qm {

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char* const kProgram = "quillmotion-settings";

void PrintHelp(std::ostream& out, const SettingsStore& store) {
    out << "Usage: " << kProgram << " COMMAND [ARGUMENTS]\n"
        << "\n"
        << "Creates and edits Quillmotion's settings tree, HKEY_LOCAL_MACHINE\\" << layout::kBaseKey << ".\n"
        << store.help << "\n"
        << "Commands:\n"
        << "  init                        create every missing key and default value; values that\n"
        << "                              exist are never changed\n";
    if (store.noDeviceMap.empty()) {
        out << "  map COMn: DEVICE            give a COM name its device, e.g. map COM7: /dev/ttyUSB0\n"
            << "                              (COM and 1 to 3 digits, then \":\"; DEVICE an absolute path)\n"
            << "  unmap COMn:                 remove a COM name from the device map\n";
    }
    out << "  export                      print the tree and the Run entry in REGEDIT4 form\n"
        << "  get KEY VALUE               print the data of one value\n"
        << "  set KEY VALUE TYPE DATA...  write one value into an existing key\n"
        << "  --help                      show this text\n"
        << "  --version                   show the version\n"
        << "\n"
        << "KEY is relative to the base key: \"\" is the base key itself, \"Mouse\\Movement\" a subkey.\n"
        << "VALUE \"@\" is the key's unnamed value.\n"
        << "TYPE and DATA: REG_SZ or REG_EXPAND_SZ and one text; REG_MULTI_SZ and one text per string;\n"
        << "REG_DWORD or REG_DWORD_BIG_ENDIAN and a decimal number or 0x and hexadecimal digits;\n"
        << "REG_BINARY and hexadecimal bytes joined by commas (0A,FF,00).\n"
        << "\n"
        << "Character codes that init writes (control characters; 8, 9, 10 and 13 stay free\n"
        << "because they are Backspace, Tab, line feed and Enter, and 17 and 19 because Xon/Xoff\n"
        << "handshaking takes them off the line):\n";
    for (const SettingsTree::DefaultCode& code : SettingsTree::DefaultCodes()) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-19s %3d  Ctrl+%c  %-15s %s\n", code.valueName, code.code,
                      static_cast<char>('A' + code.code - 1), code.key, code.meaning);
        out << line;
    }
    out << "\n"
        << "Values init leaves out; absent, each takes its default (a code of -1 is no code):\n";
    for (const layout::Setting& setting : layout::Settings()) {
        if (setting.optional) {
            char line[128];
            std::snprintf(line, sizeof line, "  %-22s %-15s default %-5s %s", setting.valueName,
                          *setting.key != '\0' ? setting.key : "(base key)",
                          setting.fallback.value.ToText().c_str(), setting.fallback.meaning);
            std::string text = line;
            text.erase(text.find_last_not_of(' ') + 1);
            out << text << "\n";
        }
    }
    out << "\n"
        << "Exit status: 0 done; 1 the settings store failed or the value is not there; 2 bad arguments.\n";
}

int Usage(std::ostream& err, const std::string& problem) {
    err << kProgram << ": " << problem << "\n"
        << "Try '" << kProgram << " --help'.\n";
    return kUsage;
}

// Arguments arrive in the terminal's UTF-8 and the store holds Windows-1252; a character that has
// no Windows-1252 form would silently turn into "?", so it is refused instead.
bool ToAnsi(const std::string& text, std::string& ansi) {
#ifdef _WIN32
    ansi = text;
    return true;
#else
    ansi = Cp1252FromUtf8(text);
    return Utf8FromCp1252(ansi) == text;
#endif
}

std::string FromAnsi(const std::string& ansi) {
#ifdef _WIN32
    return ansi;
#else
    return Utf8FromCp1252(ansi);
#endif
}

std::string Reason(const SettingsStore& store, LONG code) {
    if (!store.registry->LastError().empty()) {
        return store.registry->LastError();
    }
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return "not found";
        case ERROR_ACCESS_DENIED:
            return store.accessDenied;
        default:
            return "error " + std::to_string(code);
    }
}

int Report(std::ostream& err, const SettingsStore& store, const SettingsTree::Status& status) {
    if (status.Ok()) {
        return kDone;
    }
    err << kProgram << ": could not " << FromAnsi(status.failure) << ": "
        << FromAnsi(Reason(store, status.code)) << "\n";
    if (store.registry->LastError().empty()) {
        err << "  (" << store.place << ")\n";
    }
    return kFailed;
}

// A name longer than the registry allows would be written, but the whole tree could then no
// longer be exported or listed: it is refused up front.
std::string NameProblem(const std::string& key, const std::string& valueName) {
    for (std::size_t start = 0; start <= key.size();) {
        const std::size_t end = std::min(key.find('\\', start), key.size());
        if (end - start > SettingsTree::kMaxKeyNameLength) {
            return "a key name may have at most " + std::to_string(SettingsTree::kMaxKeyNameLength) +
                   " characters; \"" + FromAnsi(key.substr(start, 20)) + "...\" has " +
                   std::to_string(end - start);
        }
        start = end + 1;
    }
    if (valueName.size() > SettingsTree::kMaxValueNameLength) {
        return "a value name may have at most " + std::to_string(SettingsTree::kMaxValueNameLength) +
               " characters; \"" + FromAnsi(valueName.substr(0, 20)) + "...\" has " +
               std::to_string(valueName.size());
    }
    return {};
}

}  // namespace

int RunSettingsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SettingsStore store = OpenSettingsStore();
    return RunSettingsTool(args, store, out, err);
}

int RunSettingsTool(const std::vector<std::string>& args, SettingsStore& store, std::ostream& out,
                    std::ostream& err) {
    if (args.empty()) {
        return Usage(err, "no command given");
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        PrintHelp(out, store);
        return kDone;
    }
    if (command == "--version") {
        out << kProgram << " " << QM_VERSION_MAJOR << "." << QM_VERSION_MINOR << "." << QM_VERSION_PATCH
            << "\n";
        return kDone;
    }
    if ((command == "map" || command == "unmap") && !store.noDeviceMap.empty()) {
        return Usage(err, "'" + command + "' does not apply here: " + store.noDeviceMap);
    }
    const auto expect = [&](std::size_t count, const char* form) -> bool {
        if (args.size() - 1 == count) {
            return true;
        }
        Usage(err, std::string("'") + command + "' takes " + form);
        return false;
    };

    std::vector<std::string> ansi(args.size());
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!ToAnsi(args[i], ansi[i])) {
            return Usage(err, "\"" + args[i] +
                                  "\" holds characters that the settings store (Windows-1252) cannot hold");
        }
    }
    const auto valueName = [](const std::string& name) { return name == "@" ? std::string() : name; };

    RegistryApi& registry = *store.registry;

    if (command == "init") {
        if (!expect(0, "no arguments")) {
            return kUsage;
        }
        SettingsTree::EnsureReport report;
        const int result =
            Report(err, store, SettingsTree::EnsureTree(registry, &report, store.noDeviceMap.empty()));
        if (result == kDone) {
            out << "Settings tree ready in " << store.location << ": " << report.keysCreated.size()
                << " keys and " << report.valuesWritten.size() << " values added, " << report.valuesKept
                << " existing values kept.\n";
        }
        return result;
    }
    if (command == "map") {
        if (!expect(2, "a COM name and a device: map COM7: /dev/ttyUSB0")) {
            return kUsage;
        }
        if (!SettingsTree::IsPortName(ansi[1])) {
            return Usage(err,
                         "\"" + args[1] + "\" is not a COM name: COM, 1 to 3 digits and \":\", as COM7:");
        }
        if (!std::filesystem::path(args[2]).is_absolute()) {
            return Usage(err, "\"" + args[2] + "\" is not an absolute device path, as /dev/ttyUSB0");
        }
        for (unsigned char c : ansi[2]) {
            if (c < 0x20 || c == 0x7F) {
                return Usage(err, "the device path holds a control character");
            }
        }
        const int result = Report(err, store, SettingsTree::MapPort(registry, ansi[1], ansi[2]));
        if (result == kDone) {
            out << args[1] << " is " << args[2] << "\n";
        }
        return result;
    }
    if (command == "unmap") {
        if (!expect(1, "a COM name: unmap COM7:")) {
            return kUsage;
        }
        if (!SettingsTree::IsPortName(ansi[1])) {
            return Usage(err,
                         "\"" + args[1] + "\" is not a COM name: COM, 1 to 3 digits and \":\", as COM7:");
        }
        const SettingsTree::Status status = SettingsTree::UnmapPort(registry, ansi[1]);
        if (status.code == ERROR_FILE_NOT_FOUND && registry.LastError().empty()) {
            err << kProgram << ": " << args[1] << " is not in the device map\n";
            return kFailed;
        }
        return Report(err, store, status);
    }
    if (command == "export") {
        if (!expect(0, "no arguments")) {
            return kUsage;
        }
        std::string text;
        const int result = Report(err, store, SettingsTree::Export(registry, text));
        if (result == kDone) {
            out << FromAnsi(text);
        }
        return result;
    }
    if (command == "get") {
        if (!expect(2, "a key and a value name: get \"Mouse\\Movement\" N_ASCII")) {
            return kUsage;
        }
        SettingsTree::RegValue value;
        const int result =
            Report(err, store, SettingsTree::ReadValue(registry, ansi[1], valueName(ansi[2]), value));
        if (result == kDone) {
            out << FromAnsi(SettingsTree::ValueText(value)) << "\n";
        }
        return result;
    }
    if (command == "set") {
        if (args.size() < 5) {
            return Usage(
                err, "'set' takes a key, a value name, a type and the data: set Ports TestPorts REG_DWORD 1");
        }
        const std::string problem = NameProblem(ansi[1], valueName(ansi[2]));
        if (!problem.empty()) {
            return Usage(err, problem);
        }
        const std::optional<DWORD> type = SettingsTree::TypeFromName(args[3]);
        if (!type) {
            return Usage(
                err, "\"" + args[3] +
                         "\" is not a type that can be set: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, "
                         "REG_DWORD_BIG_ENDIAN or REG_BINARY");
        }
        std::string error;
        const std::optional<SettingsTree::RegValue> value =
            SettingsTree::ParseValue(*type, std::vector<std::string>(ansi.begin() + 4, ansi.end()), error);
        if (!value) {
            return Usage(err, FromAnsi(error));
        }
        return Report(err, store, SettingsTree::WriteValue(registry, ansi[1], valueName(ansi[2]), *value));
    }
    return Usage(err, "unknown command '" + command + "'");
}

}  // namespace qm
