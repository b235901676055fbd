#pragma once

#include <cstdint>
#include <string>

namespace qm {

// The system's version record, in the documented OSVERSIONINFO layout.
struct OsVersionRecord {
    std::uint32_t dwOSVersionInfoSize = 148;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};

inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// Where the record comes from: GetVersionExA on Windows, uname elsewhere.
class OsVersionSource {
public:
    virtual ~OsVersionSource() = default;
    virtual OsVersionRecord GetVersionExA() = 0;
};

// The running system's source.
OsVersionSource& SystemOsVersionSource();

// Reads the version once, when created, and answers questions about it. The input code asks
// IsWin98 and IsWin2K to choose between the newer input call and the older ones.
class clsOSInfo {
public:
    clsOSInfo();  // the running system
    explicit clsOSInfo(OsVersionSource& source);

    std::int32_t MajorVersion() const { return static_cast<std::int32_t>(record_.dwMajorVersion); }
    std::int32_t MinorVersion() const { return static_cast<std::int32_t>(record_.dwMinorVersion); }
    std::int32_t BuildNumber() const;
    std::int32_t PlatformID() const { return static_cast<std::int32_t>(record_.dwPlatformId); }
    bool IsWinNT() const { return isWinNT_; }
    bool IsWin2K() const { return isWin2K_; }
    bool IsWin95() const { return isWin95_; }
    bool IsWin98() const { return isWin98_; }
    bool IsWin9x() const { return isWin95_ || isWin98_; }
    std::string Platform() const;
    std::string Version() const;
    std::string CSDVersion() const;

private:
    void Load(OsVersionSource& source);

    OsVersionRecord record_{};
    bool isWinNT_ = false;
    bool isWin2K_ = false;
    bool isWin95_ = false;
    bool isWin98_ = false;
};

}  // namespace qm
