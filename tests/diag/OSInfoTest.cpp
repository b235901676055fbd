#include "diag/OSInfo.h"

#include <gtest/gtest.h>

#include "support/CoreOsVersions.h"

namespace qm {
namespace {

using FixedVersion = test::FixedOsVersion;

TEST(OSInfo, WindowsFamiliesChooseTheInputPath) {
    struct Case {
        std::uint32_t platform, major, minor;
        bool win95, win98, nt, win2k;
        const char* platformText;
    };
    const Case cases[] = {
        {1, 4, 0, true, false, false, false, "Windows 95"},    // Windows 95: older calls
        {1, 4, 10, false, true, false, false, "Windows 98"},   // Windows 98: SendInput
        {2, 4, 0, false, false, true, false, "Windows NT"},    // NT 4: older calls
        {2, 5, 1, false, false, true, true, "Windows 2000"},   // XP reads as 2000
        {3, 10, 0, false, false, false, false, "Windows NT"},  // unknown family
    };
    for (const Case& c : cases) {
        FixedVersion source(c.platform, c.major, c.minor, 0, "");
        clsOSInfo info(source);
        SCOPED_TRACE(c.platformText);
        EXPECT_EQ(info.IsWin95(), c.win95);
        EXPECT_EQ(info.IsWin98(), c.win98);
        EXPECT_EQ(info.IsWinNT(), c.nt);
        EXPECT_EQ(info.IsWin2K(), c.win2k);
        EXPECT_EQ(info.IsWin9x(), c.win95 || c.win98);
        EXPECT_EQ(info.Platform(), c.platformText);
    }
}

TEST(OSInfo, VersionTextBuildNumberAndServicePack) {
    FixedVersion xp(2, 5, 1, 2600, "  Service Pack 3  ");
    clsOSInfo info(xp);
    EXPECT_EQ(info.Version(), "Windows 2000 v5.1, Build 2600");
    EXPECT_EQ(info.CSDVersion(), "Service Pack 3");

    // 95-family records carry version bits in the high word; only the low 16 bits count, signed.
    FixedVersion win98(1, 4, 10, 0x040A08AEu, "   ");
    clsOSInfo old(win98);
    EXPECT_EQ(old.BuildNumber(), 2222);
    EXPECT_EQ(old.CSDVersion(), "");
    FixedVersion high(2, 5, 0, 0xFFFFu, "");
    EXPECT_EQ(clsOSInfo(high).BuildNumber(), -1);
}

TEST(OSInfo, ThisSystemUsesTheNewerInputPath) {
    clsOSInfo info;
    EXPECT_TRUE(info.IsWin98() || info.IsWin2K());
#ifndef _WIN32
    EXPECT_NE(info.CSDVersion().find("Linux"), std::string::npos);
#endif
}

}  // namespace
}  // namespace qm
