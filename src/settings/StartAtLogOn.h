#pragma once

#include <string>

namespace qm {

// What makes the desktop start the program when a user logs on. Saving the settings turns it
// on or off where it writes or deletes the program's Run value, once that change is saved.
class StartAtLogOn {
public:
    virtual ~StartAtLogOn() = default;

    // Starts the command line (as the Run value holds it) at log-on from now on. False, with
    // problem saying why for the user, when that could not be arranged.
    virtual bool Enable(const std::string& commandLine, std::string& problem) = 0;
    // Starts nothing at log-on any more; nothing to undo is no failure.
    virtual bool Disable(std::string& problem) = 0;
};

}  // namespace qm
