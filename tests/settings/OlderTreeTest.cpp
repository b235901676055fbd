// A tree that `quillmotion-settings init` wrote before the optional codes, acceleration and
// reconnecting existed (kept in data/): it loads with each of them off or at its default, and a
// save leaves it exactly as it was.

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/SettingsLayout.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/modSettings.h"
#include "support/TempDir.h"

namespace qm {
namespace {

TEST(OlderTree, LoadsWithTheAddedValuesAtTheirDefaultsAndSavesUnchanged) {
    test::TempDir dir;
    const std::string file = dir.File("HKEY_LOCAL_MACHINE.reg");
    std::filesystem::copy_file(std::filesystem::path(QM_SETTINGS_TEST_DATA) / "InitTreeBeforeMoreCodes.reg",
                               file);
    const auto text = [&] { return test::ReadFile(file); };
    const std::string before = text();

    FileHiveRegistry hive(file, dir.File("autostart"));
    SettingsRecord record;
    modSettings settings(record, hive);
    ASSERT_TRUE(settings.GetSettings());
    for (const layout::Setting& setting : layout::Settings()) {
        EXPECT_TRUE(!setting.optional || layout::HoldsDefault(setting, record)) << setting.valueName;
    }
    EXPECT_EQ(record.LEFT_LOCK_ASCII(), SettingsRecord::kNoCode);
    EXPECT_EQ(record.ReconnectAutomatically(), 1);
    ASSERT_TRUE(settings.SetSettings()) << settings.LastSaveProblem();
    EXPECT_EQ(text(), before);
    // A value saved and then set back to its default is taken out of the tree again.
    record.WHEEL_UP_ASCII(22);
    ASSERT_TRUE(settings.SetSettings() && text() != before);
    record.WHEEL_UP_ASCII(SettingsRecord::kNoCode);
    ASSERT_TRUE(settings.SetSettings());
    EXPECT_EQ(text(), before);
}

}  // namespace
}  // namespace qm
