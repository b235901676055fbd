#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"
#include "settings/SettingsRecord.h"
#include "settings/StartAtLogOn.h"
#include "settings/clsSettings.h"

namespace qm {

// Loads the settings record from the registry tree at start-up, saves it back on each commit
// of the Properties window, and keeps the program's Run entry in step with RunOnSystemStartup,
// and with it the system's start at log-on once the entry is saved.
// It never creates keys: the tree and its thirteen codes are put in place at installation.
class modSettings {
public:
    modSettings(SettingsRecord& record, RegistryApi& registry, StartAtLogOn& startAtLogOn);
    ~modSettings();
    modSettings(const modSettings&) = delete;
    modSettings& operator=(const modSettings&) = delete;

    // True when every setting loaded; false as soon as one did not (a code without a value,
    // a value that does not convert), leaving the later settings as they were.
    bool GetSettings();
    // After a load that failed on a value: which value, what it holds and how to mend it, for the
    // lines that follow "Could not retrieve one or more system settings". Empty otherwise.
    const std::string& LastLoadProblem() const { return lastLoadProblem_; }
    // Writes what the record holds differently from the store as last loaded or saved, and what
    // an earlier save could not write, so that a value another program changed meanwhile stays
    // unless the record changed it too. True when every write went through. Every write is
    // attempted, in order, even after one has failed, so as much as possible is saved; a value
    // not saved stays in the record, and the next save tries it again.
    bool SetSettings();
    // True while the record holds a value the store has not taken.
    bool Unsaved() const;
    // Reads the store again and takes each value another program changed since the last load or
    // save into the record, except where the record holds a value of its own that is not saved
    // yet: that one is the user's, and the next save writes it. True when the record changed. A
    // store or a value that does not load changes nothing.
    bool TakeOutsideChanges();
    // Why the last SetSettings did not save everything, for the lines that follow "Not all
    // properties were saved. Please try again": the keys of the tree that are missing (which the
    // program may not create) and the command that adds them, else each value that could not be
    // written and the store's reason. Empty after a save that went through.
    const std::string& LastSaveProblem() const { return lastSaveProblem_; }
    // Releases the registry object.
    void Terminate();

    // The program that the Run entry starts: the running one unless set here.
    void ProgramLocation(std::string folder, std::string fileName);

    // The Run entry's command: the program's path in quotation marks, so that a folder with
    // blanks still names one program; exactly one separator between folder and file.
    static std::string RunCommand(const std::string& folder, const std::string& fileName);
    // The running program's file name ("Quillmotion.exe" on Windows).
    static std::string ProgramFileName();

private:
    std::unique_ptr<clsSettings> NewSettingsObject();
    // Reads every setting into a record; raises as the first conversion that fails.
    void Load(clsSettings& settings, SettingsRecord& into);
    // A write that did not go through: the key's full path, the value's name and the store's reason.
    struct FailedWrite {
        std::string key;
        std::string valueName;
        std::string reason;
    };
    std::string DescribeFailures(const std::vector<FailedWrite>& failures) const;

    SettingsRecord& record_;
    RegistryApi& registry_;
    StartAtLogOn& startAtLogOn_;
    std::unique_ptr<clsSettings> settings_;
    SettingsRecord stored_;      // what the store holds, as last loaded, saved or read again
    std::vector<bool> unsaved_;  // by setting: a write that has not gone through yet
    std::string lastLoadProblem_;
    std::optional<std::string> programFolder_;
    std::optional<std::string> programFile_;
    std::string lastSaveProblem_;
};

}  // namespace qm
