#include "settings/modSettings.h"

#include <algorithm>
#include <filesystem>

#include "diag/CaughtError.h"
#include "diag/ProgramFolder.h"
#include "diag/Trace.h"
#include "diag/Traced.h"
#include "settings/SettingsLayout.h"

namespace qm {

modSettings::modSettings(SettingsRecord& record, RegistryApi& registry, StartAtLogOn& startAtLogOn)
    : record_(record), registry_(registry), startAtLogOn_(startAtLogOn) {}

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
    return Traced(kMethod, false, [&] {
        settings_ = NewSettingsObject();
        clsSettings& s = *settings_;
        // The codes have no default: a missing one comes back null, and converting it stops the load.
        for (const layout::Setting& setting : layout::Settings()) {
            Variant value =
                s.GetRegistrySetting(setting.key, setting.valueName, setting.fallback.value,
                                     setting.optional ? "Not set, its default taken" : "Default Value taken");
            // A saved port that is there but cannot be read names no port: its default would
            // open a device the user never chose.
            if (std::string_view(setting.valueName) == "PortName" && s.LastValueUnreadable()) {
                value = std::string();
            }
            layout::Load(setting, record_, value);
        }

        return true;
    });
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

        // A write that did not go through must not be reported as saved; the rest are still tried.
        // The store may hold the writes back and replace its file once at the end: a held write
        // counts as saved only once that has happened.
        RegistryBatch batch(registry_);
        struct Outcome {
            FailedWrite write;
            bool failed = false;
            std::size_t held = 0;  // its place in the batch, when it waits for the batch's end
            bool waits = false;
        };
        std::vector<Outcome> outcomes;
        std::optional<std::size_t> runEntry;  // the Run entry's outcome
        std::string baseKey = layout::kBaseKey;
        const auto note = [&](const std::string& key, const std::string& name, std::size_t heldBefore,
                              bool saved) {
            std::string path = baseKey + key;
            while (!path.empty() && path.back() == '\\') {
                path.pop_back();
            }
            const bool waits = saved && registry_.HeldChanges() != heldBefore;
            outcomes.push_back({{path, name, saved ? "" : registry_.LastError()}, !saved, heldBefore, waits});
        };
        const auto write = [&](const std::string& key, const std::string& name, const Variant& value,
                               DWORD type) {
            const std::size_t held = registry_.HeldChanges();
            note(key, name, held, s.SetRegistrySetting(key, name, value, type));
        };

        for (const layout::Setting& setting : layout::Settings()) {
            if (setting.savedAs == layout::kNeverSaved) {
                continue;
            }
            if (setting.optional && layout::HoldsDefault(setting, record_)) {
                // Absent means the default: a tree that never had the value keeps not having it.
                const std::size_t held = registry_.HeldChanges();
                note(setting.key, setting.valueName, held,
                     s.DeleteRegistrySetting(setting.key, setting.valueName));
                continue;
            }
            write(setting.key, setting.valueName, layout::Value(setting, record_), setting.savedAs);
            // The Run entry follows its setting at once, before the subkeys' values.
            if (std::string_view(setting.valueName) != "RunOnSystemStartup") {
                continue;
            }
            s.RegistryBaseKey(baseKey = layout::kRunKey);
            runEntry = outcomes.size();
            if (record_.RunOnSystemStartup() == 1) {
                write("", productName, programPath, REG_SZ);
            } else {
                const std::size_t held = registry_.HeldChanges();
                note("", productName, held, s.DeleteRegistrySetting("", productName));
            }
            s.RegistryBaseKey(baseKey = layout::kBaseKey);
        }

        for (const RegistryApi::UnsavedChange& unsaved : batch.End()) {
            for (Outcome& outcome : outcomes) {
                if (outcome.waits && outcome.held == unsaved.index) {
                    outcome.failed = true;
                    outcome.write.reason = unsaved.reason;
                }
            }
        }
        // The system starts the program at log-on as the saved entry says, and never before the
        // entry is saved: it must not announce what the store may yet have failed to hold.
        if (runEntry && !outcomes[*runEntry].failed) {
            std::string problem;
            const bool started = record_.RunOnSystemStartup() == 1
                                     ? startAtLogOn_.Enable(programPath, problem)
                                     : startAtLogOn_.Disable(problem);
            if (!started) {
                outcomes[*runEntry].failed = true;
                outcomes[*runEntry].write.reason = problem;
            }
        }
        std::vector<FailedWrite> failures;
        for (const Outcome& outcome : outcomes) {
            if (outcome.failed) {
                failures.push_back(outcome.write);
            }
        }
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
