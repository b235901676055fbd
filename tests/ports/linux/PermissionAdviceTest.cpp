// What a user whose open of a device is refused is told, for a real device file and a real user
// without the right: a child process that has given up root.

#include "ports/PermissionAdvice.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace fs = std::filesystem;
using qm::test::ReadFile;
using qm::test::TempDir;

TEST(PermissionAdvice, NamesTheGroupAndTheCommandThatJoinsIt) {
    const group* dialout = ::getgrnam("dialout");
    if (::geteuid() != 0 || dialout == nullptr) {
        GTEST_SKIP() << "needs root (to become a user without the right) and a dialout group";
    }
    TempDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    struct Case {
        mode_t mode;
        const char* expected;
    };
    const Case cases[] = {
        {0660,
         "belongs to the group \"dialout\", which you are not in. To join it, run\r\n    sudo usermod -aG "
         "dialout "
         "$USER\r\nthen log out and log in again."},
        {0600, "may not be opened by its group \"dialout\" either: whoever looks after this computer"},
        {0666, ""},  // open to everyone: the refusal was not about permissions
    };
    const std::string device = dir.File("ttyUSB9");
    const std::string said = dir.File("said");
    for (const Case& c : cases) {
        qm::test::WriteFile(device, "");
        ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(::chmod(device.c_str(), c.mode), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            // nobody, in no group of its own but nogroup
            const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
            const std::string advice = dropped ? qm::PermissionAdvice(device) : "could not drop root";
            FILE* out = std::fopen(said.c_str(), "w");
            std::fputs(advice.c_str(), out);
            std::fclose(out);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::string advice = ReadFile(said);
        if (*c.expected == '\0') {
            EXPECT_EQ(advice, "") << std::oct << c.mode;
        } else {
            EXPECT_EQ(advice.rfind(device, 0), 0u) << advice;
            EXPECT_NE(advice.find(c.expected), std::string::npos) << advice;
        }
    }
}
