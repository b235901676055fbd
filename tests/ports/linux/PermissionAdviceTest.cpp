// What a user whose open of a device is refused is told, for a real device file and a real user
// without the right: a child process that has given up root.

#include "ports/PermissionAdvice.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TempDir.h"

TEST(PermissionAdvice, NamesTheGroupAndTheCommandThatJoinsIt) {
    const group* dialout = ::getgrnam("dialout");
    if (::geteuid() != 0 || dialout == nullptr) {
        GTEST_SKIP() << "needs root (to become a user without the right) and a dialout group";
    }
    qm::test::TempDir dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
    const std::string device = dir.File("ttyUSB9"), said = dir.File("said");
    const std::pair<mode_t, std::string> cases[] = {
        {0660, device +
                   " belongs to the group \"dialout\", which you are not in. To join it, run\r\n    sudo "
                   "usermod -aG dialout $USER\r\nthen log out and log in again."},
        {0600, device +
                   " may not be opened by its group \"dialout\" either: whoever looks after this computer "
                   "can give you access with a udev rule."},
        {0666, ""},  // open to everyone: the refusal was not about permissions
    };
    for (const auto& [mode, expected] : cases) {
        qm::test::WriteFile(device, "");
        ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid) | ::chmod(device.c_str(), mode), 0);
        if (::fork() == 0) {  // as nobody, in no group but nogroup
            const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
            qm::test::WriteFile(said, dropped ? qm::PermissionAdvice(device) : "still root");
            ::_exit(0);
        }
        ::wait(nullptr);
        EXPECT_EQ(qm::test::ReadFile(said), expected) << std::oct << mode;
    }
}
