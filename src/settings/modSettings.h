#pragma once

#include <memory>
#include <optional>
#include <string>

#include "settings/RegistryApi.h"
#include "settings/SettingsRecord.h"
#include "settings/clsSettings.h"

namespace qm {

// Loads the settings record from the registry tree at start-up, saves it back on each commit
// of the Properties window, and keeps the program's Run entry in step with RunOnSystemStartup.
// It never creates keys: the tree and its thirteen codes are put in place at installation.
class modSettings {
public:
    modSettings(SettingsRecord& record, RegistryApi& registry);
    ~modSettings();
    modSettings(const modSettings&) = delete;
    modSettings& operator=(const modSettings&) = delete;

    // True when every setting loaded; false as soon as one did not (a code without a value,
    // a value that does not convert), leaving the later settings as they were.
    bool GetSettings();
    // True when every write went through. Every write is attempted, in order, even after one
    // has failed, so as much as possible is saved.
    bool SetSettings();
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

    SettingsRecord& record_;
    RegistryApi& registry_;
    std::unique_ptr<clsSettings> settings_;
    std::optional<std::string> programFolder_;
    std::optional<std::string> programFile_;
};

}  // namespace qm
