#include "settings/modSettings.h"

#include <algorithm>
#include <filesystem>
#include <variant>

#include "diag/CaughtError.h"
#include "diag/ProgramFolder.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"
#include "settings/SettingsLayout.h"

namespace qm {

namespace {

// A value's place for the user: from the root of the hive, an unnamed value said so.
std::string ValuePath(const std::string& key, const std::string& valueName) {
    return "HKEY_LOCAL_MACHINE\\" + key + (valueName.empty() ? " (its unnamed value)" : "\\" + valueName);
}

std::string Listed(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    }
    return text;
}

// What is wrong with a value that did not load, and the command that mends it: the code an
// installation starts with, or the setting's default.
std::string Unloadable(const layout::Setting& setting, const Variant& value, const CaughtError& error) {
    const std::string place = layout::ValuePath(setting);
    if (value.IsNull()) {
        return place +
               " is missing, and has no default. \"quillmotion-settings init\" adds it and changes "
               "no value that is already there.";
    }
    const std::string held =
        value.GetKind() == Variant::Kind::String ? "\"" + value.ToText() + "\"" : value.ToText();
    std::string wrong = "which is not a number";
    if (error.number == err::Overflow) {
        const layout::Field& field = setting.field;
        wrong =
            std::string("which is outside ") +
            (std::holds_alternative<std::int32_t SettingsRecord::*>(field) ? "-2147483648 to 2147483647"
             : std::holds_alternative<float SettingsRecord::*>(field) ? "what a single-precision number holds"
                                                                      : "-32768 to 32767");
    }
    const Variant& fallback = setting.fallback.value;
    const std::string example =
        fallback.IsMissing() ? std::to_string(setting.fallback.installedCode) : fallback.ToText();
    return place + " holds " + held + ", " + wrong +
           ". The settings cannot be loaded until it is mended, for example with: " +
           layout::SetCommand(setting, example);
}

}  // namespace

modSettings::modSettings(SettingsRecord& record, RegistryApi& registry, StartAtLogOn& startAtLogOn)
    : record_(record),
      registry_(registry),
      startAtLogOn_(startAtLogOn),
      stored_(record),
      unsaved_(layout::Settings().size()) {}

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

void modSettings::Load(clsSettings& s, SettingsRecord& into) {
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
        try {
            layout::Load(setting, into, value);
        } catch (...) {
            lastLoadProblem_ = Unloadable(setting, value, CurrentError());
            throw;
        }
    }
}

bool modSettings::GetSettings() {
    static constexpr std::string_view kMethod = "modSettings.GetSettings";
    lastLoadProblem_.clear();
    const bool loaded = Traced(kMethod, false, [&] {
        settings_ = NewSettingsObject();
        Load(*settings_, record_);
        return true;
    });
    stored_ = record_;
    unsaved_.assign(unsaved_.size(), false);
    return loaded;
}

bool modSettings::Unsaved() const {
    const std::vector<layout::Setting>& all = layout::Settings();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].savedAs != layout::kNeverSaved &&
            (unsaved_[i] || !layout::SameValue(all[i], record_, stored_))) {
            return true;
        }
    }
    return false;
}

bool modSettings::TakeOutsideChanges() {
    static constexpr std::string_view kMethod = "modSettings.TakeOutsideChanges";
    return Traced(kMethod, false, [&] {
        SettingsRecord now = stored_;
        Load(*NewSettingsObject(), now);
        bool changed = false;
        const std::vector<layout::Setting>& all = layout::Settings();
        for (std::size_t i = 0; i < all.size(); ++i) {
            const layout::Setting& setting = all[i];
            // A value set in the registry only is read at start-up alone.
            if (setting.savedAs == layout::kNeverSaved || layout::SameValue(setting, now, stored_)) {
                continue;
            }
            if (!unsaved_[i] && layout::SameValue(setting, record_, stored_)) {
                layout::CopyValue(setting, now, record_);
                changed = true;
            }
            layout::CopyValue(setting, now, stored_);
        }
        return changed;
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
        for (std::string& key : missing) {
            key.insert(0, "HKEY_LOCAL_MACHINE\\");
        }
        const std::string keys = Listed(missing);
        const bool one = missing.size() == 1;
        return std::string("The settings tree lacks the ") + (one ? "key " : "keys ") + keys +
               ", which Quillmotion does not create. \"quillmotion-settings init\" adds " +
               (one ? "it" : "them") + " and changes no value that is already there.";
    }
    // Every value not saved, those that failed for one reason together (a file that cannot be
    // written fails them all alike).
    std::string text;
    for (std::size_t i = 0; i < failures.size();) {
        std::vector<std::string> values;
        std::size_t next = i;
        for (; next < failures.size() && failures[next].reason == failures[i].reason; ++next) {
            values.push_back(ValuePath(failures[next].key, failures[next].valueName));
        }
        if (!text.empty()) {
            text += ' ';
        }
        text += Listed(values);
        text += " could not be saved";
        text += failures[i].reason.empty() ? "." : ": ";
        text += failures[i].reason;
        i = next;
    }
    return text;
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
            std::size_t setting = 0;  // the setting written (the Run entry: its setting's)
        };
        std::vector<Outcome> outcomes;
        std::optional<std::size_t> runEntry;  // the Run entry's outcome
        std::string baseKey = layout::kBaseKey;
        std::size_t setting = 0;
        const auto note = [&](const std::string& key, const std::string& name, std::size_t heldBefore,
                              bool saved) {
            std::string path = baseKey + key;
            while (!path.empty() && path.back() == '\\') {
                path.pop_back();
            }
            const bool waits = saved && registry_.HeldChanges() != heldBefore;
            outcomes.push_back(
                {{path, name, saved ? "" : registry_.LastError()}, !saved, heldBefore, waits, setting});
        };
        const auto write = [&](const std::string& key, const std::string& name, const Variant& value,
                               DWORD type) {
            const std::size_t held = registry_.HeldChanges();
            note(key, name, held, s.SetRegistrySetting(key, name, value, type));
        };

        // Only what changed is written: a value another program set meanwhile, which the record
        // does not know yet, stays as that program left it.
        const std::vector<layout::Setting>& all = layout::Settings();
        for (setting = 0; setting < all.size(); ++setting) {
            const layout::Setting& row = all[setting];
            if (row.savedAs == layout::kNeverSaved ||
                (!unsaved_[setting] && layout::SameValue(row, record_, stored_))) {
                continue;
            }
            unsaved_[setting] = true;  // until the store has it
            if (row.optional && layout::HoldsDefault(row, record_)) {
                // Absent means the default: a tree that never had the value keeps not having it.
                const std::size_t held = registry_.HeldChanges();
                note(row.key, row.valueName, held, s.DeleteRegistrySetting(row.key, row.valueName));
                continue;
            }
            write(row.key, row.valueName, layout::Value(row, record_), row.savedAs);
            // The Run entry follows its setting at once, before the subkeys' values.
            if (std::string_view(row.valueName) != "RunOnSystemStartup") {
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
        // What the store took is what it holds now; the rest waits for the next save.
        for (const Outcome& outcome : outcomes) {
            unsaved_[outcome.setting] = false;
        }
        for (const Outcome& outcome : outcomes) {
            unsaved_[outcome.setting] = unsaved_[outcome.setting] || outcome.failed;
        }
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!unsaved_[i]) {
                layout::CopyValue(all[i], record_, stored_);
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
