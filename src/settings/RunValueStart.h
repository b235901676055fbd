#pragma once

#include <string>

#include "settings/StartAtLogOn.h"

namespace qm {

// Start at log-on where the Run value itself is it, as on Windows: at log-on Windows starts what
// the value under HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run names, and
// saving the settings has just written or deleted it. Nothing is left to do, and writing the
// value again would write it twice. Elsewhere it keeps the Run value alone, starting nothing.
class RunValueStart final : public StartAtLogOn {
public:
    bool Enable(const std::string& /*commandLine*/, std::string& /*problem*/) override { return true; }
    bool Disable(std::string& /*problem*/) override { return true; }
};

}  // namespace qm
