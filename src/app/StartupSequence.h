#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class frmSerial;
class Road;
class Session;
class SettingsRecord;
struct PortListEntry;

// What the load handler needs besides the window.
struct StartupParts {
    // Loads the settings record (modSettings.GetSettings).
    std::function<bool()> GetSettings;
    // Why the settings store failed, for the user; empty when it did not.
    std::function<std::string()> SettingsStoreError;
    // Otherwise which value did not load and why; empty when none was to blame.
    std::function<std::string()> SettingsLoadError;
    const SettingsRecord* settings = nullptr;
    Road* road = nullptr;
    // Connects at start-up when ConnectOnApplicationStartup asks for it.
    Session* session = nullptr;
    // Fills the list with the system's COM ports and returns their count (modPortAPI).
    std::function<std::int16_t(std::vector<PortListEntry>&)> GetAvailablePorts;
    // Which desktop input this session gets and why, logged once after the first two lines.
    std::string sessionNote;
};

// The main window's load handler: the program's start-up, step by step.
//
// Every failure shows its message with the critical-stop icon and unloads the window, which
// ends the program. Two conditions do not end it, because the program can still be used:
// no notification area (the program runs without the icon), and a saved port that is not
// among the listed ports (the user is told which and chooses another in the window shown).
class StartupSequence {
public:
    StartupSequence(frmSerial& window, StartupParts parts);

    // True when the program goes on running, false when start-up failed and the window has
    // unloaded. Afterwards the window is to be shown: minimised (in the tray when there is one)
    // when a start-up option asked for it.
    bool Form_Load();

private:
    bool Fail(const std::string& message);

    frmSerial& window_;
    StartupParts parts_;
};

}  // namespace qm
