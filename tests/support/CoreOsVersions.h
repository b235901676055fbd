#pragma once

#include <cstdint>
#include <string>

#include "diag/OSInfo.h"

namespace qm::test {

// A fixed version record, for the system information a test runs with.
class FixedOsVersion : public OsVersionSource {
public:
    FixedOsVersion(std::uint32_t platform, std::uint32_t major, std::uint32_t minor, std::uint32_t build = 0,
                   const std::string& servicePack = "") {
        record_.dwPlatformId = platform;
        record_.dwMajorVersion = major;
        record_.dwMinorVersion = minor;
        record_.dwBuildNumber = build;
        servicePack.copy(record_.szCSDVersion, sizeof record_.szCSDVersion - 1);
    }
    OsVersionRecord GetVersionExA() override { return record_; }

private:
    OsVersionRecord record_;
};

}  // namespace qm::test
