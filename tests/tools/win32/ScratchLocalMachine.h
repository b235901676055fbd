#pragma once

#include <string>
#include <vector>

namespace qm::test {

// While it lives, this process's HKEY_LOCAL_MACHINE is a scratch key of its own below
// HKEY_CURRENT_USER (the system redirects the root for the process), so the settings tool's real
// registry calls meet an empty machine: never an installation's tree, nor the keys other test
// programs make at the same time. The scratch key and everything below it go with it.
// Kept apart from the tests because <windows.h> would clash with the registry interface's names.
class ScratchLocalMachine {
public:
    ScratchLocalMachine();
    ~ScratchLocalMachine();
    ScratchLocalMachine(const ScratchLocalMachine&) = delete;
    ScratchLocalMachine& operator=(const ScratchLocalMachine&) = delete;

    // Empty when the redirection is in place, else why not.
    const std::string& Problem() const { return problem_; }
    // Lets everyone read the key (a path below HKEY_LOCAL_MACHINE) and nobody change it, as
    // Windows keeps HKEY_LOCAL_MACHINE from a user without administrator rights.
    bool DenyChanges(const std::string& key);

private:
    std::string path_;
    std::vector<std::string> locked_;
    std::string problem_;
};

}  // namespace qm::test
