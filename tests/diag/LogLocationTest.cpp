// Where the log of a build and of an installed program goes, against real folders.

#include "diag/LogLocation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "support/TempDir.h"

namespace fs = std::filesystem;
using qm::test::TempDir;

namespace {

void SetOrUnset(const char* name, const std::string& value) {
    if (value.empty()) {
        ::unsetenv(name);
    } else {
        ::setenv(name, value.c_str(), 1);
    }
}

}  // namespace

TEST(LogLocation, BesideAWritableBuildElseInTheStateFolder) {
    TempDir dir;
    const std::string build = dir.Path().string();
    const std::string home = (dir.Path() / "home").string();
    const std::string missing = (dir.Path() / "gone").string();
    struct Case {
        const char* what;
        std::string program, installed, stateHome, homeDir, expected;
    };
    const Case cases[] = {
        {"a build folder", build, "/usr/bin", "", home, build + "/log.txt"},
        {"the installed folder, even when writable", build, build, "", home,
         home + "/.local/state/quillmotion/log.txt"},
        {"a folder that cannot be written", missing, "/usr/bin", "/st", home, "/st/quillmotion/log.txt"},
        {"a relative XDG_STATE_HOME is ignored", missing, "", "rel", home,
         home + "/.local/state/quillmotion/log.txt"},
        {"nowhere else to go", missing, "", "", "", missing + "/log.txt"},
    };
    const char* savedState = std::getenv("XDG_STATE_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string state = savedState ? savedState : "", homeBefore = savedHome ? savedHome : "";
    for (const Case& c : cases) {
        SetOrUnset("XDG_STATE_HOME", c.stateHome);
        SetOrUnset("HOME", c.homeDir);
        EXPECT_EQ(qm::LogFileFor(c.program, c.installed), c.expected) << c.what;
    }
    SetOrUnset("XDG_STATE_HOME", state);
    SetOrUnset("HOME", homeBefore);

    // The folder is made for its owner alone.
    const std::string log = home + "/.local/state/quillmotion/log.txt";
    qm::PrepareLogFolder(log);
    struct stat info {};
    ASSERT_EQ(::stat(fs::path(log).parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}
