#include "diag/OSInfo.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/utsname.h>
#endif

namespace qm {
namespace {

#ifdef _WIN32
class WindowsVersionSource final : public OsVersionSource {
public:
    OsVersionRecord GetVersionExA() override {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        ::GetVersionExA(&info);
#pragma GCC diagnostic pop
        OsVersionRecord record;
        record.dwMajorVersion = info.dwMajorVersion;
        record.dwMinorVersion = info.dwMinorVersion;
        record.dwBuildNumber = info.dwBuildNumber;
        record.dwPlatformId = info.dwPlatformId;
        std::memcpy(record.szCSDVersion, info.szCSDVersion, sizeof record.szCSDVersion);
        return record;
    }
};
#else
// Linux has no Windows families. The record reports the kernel's release as the version and
// the NT family with a major version of at least 5, as a current Windows would; the kernel's
// full version text stands where a service pack would.
class UnameVersionSource final : public OsVersionSource {
public:
    OsVersionRecord GetVersionExA() override {
        OsVersionRecord record;
        record.dwPlatformId = VER_PLATFORM_WIN32_NT;
        record.dwMajorVersion = 5;
        utsname names{};
        if (::uname(&names) == 0) {
            unsigned major = 0, minor = 0, build = 0;
            if (std::sscanf(names.release, "%u.%u.%u", &major, &minor, &build) >= 2 && major >= 5) {
                record.dwMajorVersion = major;
                record.dwMinorVersion = minor;
                record.dwBuildNumber = build;
            }
            std::strncpy(record.szCSDVersion, names.sysname, sizeof record.szCSDVersion - 1);
            std::size_t used = std::strlen(record.szCSDVersion);
            std::snprintf(record.szCSDVersion + used, sizeof record.szCSDVersion - used, " %s",
                          names.release);
        }
        return record;
    }
};
#endif

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

OsVersionSource& SystemOsVersionSource() {
#ifdef _WIN32
    static WindowsVersionSource source;
#else
    static UnameVersionSource source;
#endif
    return source;
}

clsOSInfo::clsOSInfo() {
    Load(SystemOsVersionSource());
}

clsOSInfo::clsOSInfo(OsVersionSource& source) {
    Load(source);
}

void clsOSInfo::Load(OsVersionSource& source) {
    record_ = source.GetVersionExA();
    // The service-pack text ends at its first NUL; make sure there is one.
    record_.szCSDVersion[sizeof record_.szCSDVersion - 1] = '\0';
    if (record_.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        isWin95_ = record_.dwMinorVersion < 10;
        isWin98_ = !isWin95_;
        isWinNT_ = false;
    } else if (record_.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        isWinNT_ = true;
        isWin95_ = false;
        isWin98_ = false;
        isWin2K_ = record_.dwMajorVersion >= 5;
    }
}

std::int32_t clsOSInfo::BuildNumber() const {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(record_.dwBuildNumber & 0xFFFFu));
}

std::string clsOSInfo::Platform() const {
    if (isWin95_) {
        return "Windows 95";
    }
    if (isWin98_) {
        return "Windows 98";
    }
    if (isWin2K_) {
        return "Windows 2000";
    }
    return "Windows NT";
}

std::string clsOSInfo::Version() const {
    return Platform() + " v" + std::to_string(MajorVersion()) + "." + std::to_string(MinorVersion()) +
           ", Build " + std::to_string(BuildNumber());
}

std::string clsOSInfo::CSDVersion() const {
    return TrimBlanks(std::string(record_.szCSDVersion));
}

}  // namespace qm
