#pragma once

#include <cstdint>
#include <string>

#include "diag/OSInfo.h"

namespace qm::test {

// A fixed version record, to choose the input path a test runs on.
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

// The newer input path (IsWin2K) and the older one (Windows 95: neither IsWin98 nor IsWin2K).
inline clsOSInfo NewerInputPathOS() {
    FixedOsVersion xp(VER_PLATFORM_WIN32_NT, 5, 1);
    return clsOSInfo(xp);
}
inline clsOSInfo Windows98OS() {
    FixedOsVersion win98(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    return clsOSInfo(win98);
}
inline clsOSInfo LegacyInputPathOS() {
    FixedOsVersion win95(VER_PLATFORM_WIN32_WINDOWS, 4, 0);
    return clsOSInfo(win95);
}

}  // namespace qm::test
