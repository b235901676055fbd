#include "settings/modSettings.h"

#include <algorithm>
#include <filesystem>

#include "diag/CaughtError.h"
#include "diag/ProgramFolder.h"
#include "diag/Trace.h"
#include "settings/SettingsLayout.h"

namespace qm {
namespace {

constexpr std::int16_t Int(std::int16_t value) {
    return value;
}

}  // namespace

modSettings::modSettings(SettingsRecord& record, RegistryApi& registry)
    : record_(record), registry_(registry) {}

modSettings::~modSettings() = default;

void modSettings::ProgramLocation(std::string folder, std::string fileName) {
    programFolder_ = std::move(folder);
    programFile_ = std::move(fileName);
}

std::string modSettings::RunCommand(const std::string& folder, const std::string& fileName) {
    constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::string command = "\"" + folder;
    if (folder.empty() || folder.back() != kSeparator) {
        command += kSeparator;
    }
    return command + fileName + "\"";
}

std::string modSettings::ProgramFileName() {
#ifdef _WIN32
    return "Quillmotion.exe";
#else
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.filename().empty()) {
        return "quillmotion";
    }
    return exe.filename().string();
#endif
}

std::unique_ptr<clsSettings> modSettings::NewSettingsObject() {
    auto settings = std::make_unique<clsSettings>(registry_);
    settings->RegistryHive(HKEY_LOCAL_MACHINE);
    settings->RegistryBaseKey(layout::kBaseKey);
    return settings;
}

bool modSettings::GetSettings() {
    static constexpr std::string_view kMethod = "modSettings.GetSettings";
    Trace(kMethod, TraceEntry, "");
    try {
        settings_ = NewSettingsObject();
        clsSettings& s = *settings_;
        const std::string movement = "Mouse\\Movement";
        const std::string buttons = "Mouse\\Buttons";
        const std::string lastPort = "Ports\\LastPort";

        record_.LoadTracingEnabled(s.GetRegistrySetting("", "TracingEnabled", Int(0)).ToInteger());
        record_.SetStoredVersion(s.GetRegistrySetting("Version", "", "1.00").ToText());
        record_.ConnectOnApplicationStartup(
            s.GetRegistrySetting("", "ConnectOnApplicationStartup", Int(0)).ToInteger());
        record_.RunOnSystemStartup(s.GetRegistrySetting("", "RunOnSystemStartup", Int(0)).ToInteger());

        record_.MovementIncrementX(s.GetRegistrySetting(movement, "MovementIncrementX", Int(2)).ToSingle());
        record_.MovementIncrementY(s.GetRegistrySetting(movement, "MovementIncrementY", Int(2)).ToSingle());
        record_.MovementDelay(s.GetRegistrySetting(movement, "MovementDelay", Int(2)).ToSingle());

        // The codes have no default: a missing one comes back null, and converting it stops the load.
        record_.N_ASCII(s.GetRegistrySetting(movement, "N_ASCII").ToInteger());
        record_.E_ASCII(s.GetRegistrySetting(movement, "E_ASCII").ToInteger());
        record_.S_ASCII(s.GetRegistrySetting(movement, "S_ASCII").ToInteger());
        record_.W_ASCII(s.GetRegistrySetting(movement, "W_ASCII").ToInteger());
        record_.NE_ASCII(s.GetRegistrySetting(movement, "NE_ASCII").ToInteger());
        record_.NW_ASCII(s.GetRegistrySetting(movement, "NW_ASCII").ToInteger());
        record_.SE_ASCII(s.GetRegistrySetting(movement, "SE_ASCII").ToInteger());
        record_.SW_ASCII(s.GetRegistrySetting(movement, "SW_ASCII").ToInteger());
        record_.STOP_ASCII(s.GetRegistrySetting(movement, "STOP_ASCII").ToInteger());

        record_.BouncyMouse(s.GetRegistrySetting(movement, "BouncyMouse", Int(0)).ToInteger());
        record_.BouncyMouseAngle(s.GetRegistrySetting(movement, "BouncyMouseAngle", Int(90)).ToInteger());

        record_.LEFT_SCLICK_ASCII(s.GetRegistrySetting(buttons, "LEFT_SCLICK_ASCII").ToInteger());
        record_.LEFT_DCLICK_ASCII(s.GetRegistrySetting(buttons, "LEFT_DCLICK_ASCII").ToInteger());
        record_.RIGHT_SCLICK_ASCII(s.GetRegistrySetting(buttons, "RIGHT_SCLICK_ASCII").ToInteger());
        record_.RIGHT_DCLICK_ASCII(s.GetRegistrySetting(buttons, "RIGHT_DCLICK_ASCII").ToInteger());

        record_.TestPorts(s.GetRegistrySetting("Ports", "TestPorts", Int(0)).ToInteger());

        record_.BaudRate(s.GetRegistrySetting(lastPort, "BaudRate", Int(2400)).ToLong());
        record_.DataBits(s.GetRegistrySetting(lastPort, "DataBits", Int(8)).ToLong());
        record_.FlowControl(s.GetRegistrySetting(lastPort, "FlowControl", "None").ToText());
        record_.Handshaking(s.GetRegistrySetting(lastPort, "Handshaking", "None").ToText());
        record_.Parity(s.GetRegistrySetting(lastPort, "Parity", "None").ToText());
        record_.PortName(s.GetRegistrySetting(lastPort, "PortName", "COM1:").ToText());
        record_.StopBits(s.GetRegistrySetting(lastPort, "StopBits", Int(1)).ToLong());

        record_.ASCIISequence(s.GetRegistrySetting("Emulation", "ASCIISequence", Int(0)).ToInteger());

        Trace(kMethod, TraceExit, "");
        return true;
    } catch (...) {
        Trace(kMethod, TraceError, CurrentError().description);
        return false;
    }
}

std::string modSettings::DescribeFailures(const std::vector<FailedWrite>& failures) const {
    if (failures.empty()) {
        return {};
    }
    std::vector<std::string> missing;
    for (const FailedWrite& failure : failures) {
        HKEY key = 0;
        const LONG opened = registry_.RegOpenKeyExA(HKEY_LOCAL_MACHINE, failure.key, 0, KEY_READ, &key);
        if (opened == ERROR_SUCCESS) {
            registry_.RegCloseKey(key);
        } else if (opened == ERROR_FILE_NOT_FOUND &&
                   std::find(missing.begin(), missing.end(), failure.key) == missing.end()) {
            missing.push_back(failure.key);
        }
    }
    if (!missing.empty()) {
        std::string keys;
        for (std::size_t i = 0; i < missing.size(); ++i) {
            keys += (i == 0                    ? ""
                     : i + 1 == missing.size() ? " and "
                                               : ", ") +
                    ("HKEY_LOCAL_MACHINE\\" + missing[i]);
        }
        const bool one = missing.size() == 1;
        return std::string("The settings tree lacks the ") + (one ? "key " : "keys ") + keys +
               ", which Quillmotion does not create. \"quillmotion-settings init\" adds " +
               (one ? "it" : "them") + " and changes no value that is already there.";
    }
    const FailedWrite& first = failures.front();
    const std::string value = first.valueName.empty() ? " (its unnamed value)" : "\\" + first.valueName;
    return "HKEY_LOCAL_MACHINE\\" + first.key + value + " could not be saved" +
           (first.reason.empty() ? std::string(".") : ": " + first.reason);
}

bool modSettings::SetSettings() {
    static constexpr std::string_view kMethod = "modSettings.SetSettings";
    Trace(kMethod, TraceEntry, "");
    lastSaveProblem_.clear();
    try {
        const std::string productName = layout::kProductName;
        const std::string programPath = RunCommand(programFolder_ ? *programFolder_ : ProgramFolder(),
                                                   programFile_ ? *programFile_ : ProgramFileName());
        settings_ = NewSettingsObject();
        clsSettings& s = *settings_;
        const std::string movement = "Mouse\\Movement";
        const std::string buttons = "Mouse\\Buttons";
        const std::string lastPort = "Ports\\LastPort";

        // A write that did not go through must not be reported as saved; the rest are still tried.
        std::vector<FailedWrite> failures;
        std::string baseKey = layout::kBaseKey;
        const auto failed = [&](const std::string& key, const std::string& name) {
            std::string path = baseKey + key;
            while (!path.empty() && path.back() == '\\') {
                path.pop_back();
            }
            failures.push_back({path, name, registry_.LastError()});
        };
        const auto write = [&](const std::string& key, const std::string& name, const Variant& value,
                               DWORD type) {
            if (!s.SetRegistrySetting(key, name, value, type)) {
                failed(key, name);
            }
        };

        write("Version", "", record_.StoredVersion(), REG_SZ);
        write("", "ConnectOnApplicationStartup", record_.ConnectOnApplicationStartup(), REG_DWORD);
        write("", "RunOnSystemStartup", record_.RunOnSystemStartup(), REG_DWORD);

        s.RegistryBaseKey(baseKey = layout::kRunKey);
        if (record_.RunOnSystemStartup() == 1) {
            write("", productName, programPath, REG_SZ);
        } else if (!s.DeleteRegistrySetting("", productName)) {
            failed("", productName);
        }
        s.RegistryBaseKey(baseKey = layout::kBaseKey);

        write(movement, "MovementIncrementX", record_.MovementIncrementX(), REG_DWORD);
        write(movement, "MovementIncrementY", record_.MovementIncrementY(), REG_DWORD);
        write(movement, "MovementDelay", record_.MovementDelay(), REG_DWORD);

        write(movement, "N_ASCII", record_.N_ASCII(), REG_DWORD);
        write(movement, "E_ASCII", record_.E_ASCII(), REG_DWORD);
        write(movement, "S_ASCII", record_.S_ASCII(), REG_DWORD);
        write(movement, "W_ASCII", record_.W_ASCII(), REG_DWORD);
        write(movement, "NE_ASCII", record_.NE_ASCII(), REG_DWORD);
        write(movement, "NW_ASCII", record_.NW_ASCII(), REG_DWORD);
        write(movement, "SE_ASCII", record_.SE_ASCII(), REG_DWORD);
        write(movement, "SW_ASCII", record_.SW_ASCII(), REG_DWORD);
        write(movement, "STOP_ASCII", record_.STOP_ASCII(), REG_DWORD);

        write(movement, "BouncyMouse", record_.BouncyMouse(), REG_DWORD);
        write(movement, "BouncyMouseAngle", record_.BouncyMouseAngle(), REG_DWORD);

        write(buttons, "LEFT_SCLICK_ASCII", record_.LEFT_SCLICK_ASCII(), REG_DWORD);
        write(buttons, "LEFT_DCLICK_ASCII", record_.LEFT_DCLICK_ASCII(), REG_DWORD);
        write(buttons, "RIGHT_SCLICK_ASCII", record_.RIGHT_SCLICK_ASCII(), REG_DWORD);
        write(buttons, "RIGHT_DCLICK_ASCII", record_.RIGHT_DCLICK_ASCII(), REG_DWORD);

        write("Ports", "TestPorts", record_.TestPorts(), REG_DWORD);

        write(lastPort, "BaudRate", record_.BaudRate(), REG_DWORD);
        write(lastPort, "DataBits", record_.DataBits(), REG_DWORD);
        write(lastPort, "FlowControl", record_.StoredFlowControl(), REG_SZ);
        write(lastPort, "Handshaking", record_.Handshaking(), REG_SZ);
        write(lastPort, "Parity", record_.Parity(), REG_SZ);
        write(lastPort, "PortName", record_.PortName(), REG_SZ);
        write(lastPort, "StopBits", record_.StopBits(), REG_DWORD);

        write("Emulation", "ASCIISequence", record_.ASCIISequence(), REG_DWORD);

        lastSaveProblem_ = DescribeFailures(failures);
        Trace(kMethod, TraceExit, "");
        return failures.empty();
    } catch (...) {
        lastSaveProblem_ = CurrentError().description;
        Trace(kMethod, TraceError, lastSaveProblem_);
        return false;
    }
}

void modSettings::Terminate() {
    static constexpr std::string_view kMethod = "modSettings.Terminate";
    Trace(kMethod, TraceEntry, "");
    settings_.reset();
    Trace(kMethod, TraceExit, "");
}

}  // namespace qm
