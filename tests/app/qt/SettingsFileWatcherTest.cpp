#include "app/qt/SettingsFileWatcher.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"
#include "support/gui/QtWait.h"

namespace qm {
namespace {

// A save of another program replaces the file: it is reported, and reported again for as long as
// the program cannot take it. The new file is watched too, so an edit in place after it is seen;
// other files of the folder (a log beside the settings) are not the settings.
TEST(SettingsFileWatcherTest, ReportsEachChangeUntilTaken) {
    test::TempDir dir;
    const std::string file = dir.File("HKEY_LOCAL_MACHINE.reg");
    test::WriteFile(file, "REGEDIT4\n");
    int reports = 0;
    bool taken = false;
    SettingsFileWatcher watcher(file, [&] { return ++reports, taken; });
    test::WriteFile(file + ".tmp", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n");
    std::filesystem::rename(file + ".tmp", file);
    EXPECT_TRUE(test::QtWaitUntil([&] { return reports >= 2; }));
    taken = true;
    test::QtRunFor(std::chrono::milliseconds(300));
    reports = 0;
    test::WriteFile(file, "REGEDIT4\n");
    EXPECT_TRUE(test::QtWaitUntil([&] { return reports >= 1; }));
    test::WriteFile(dir.File("log.txt"), "a line\n");
    test::QtRunFor(std::chrono::milliseconds(300));
    EXPECT_EQ(reports, 1);
}

}  // namespace
}  // namespace qm
