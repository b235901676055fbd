// A tree that `quillmotion-settings init` wrote before the optional codes, acceleration and
// reconnecting existed (kept in data/): it loads with each of them off or at its default, and a
// save leaves it exactly as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/SettingsLayout.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/modSettings.h"
#include "support/TempDir.h"

namespace qm {
namespace {

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(OlderTree, LoadsWithTheAddedValuesAtTheirDefaultsAndSavesUnchanged) {
    test::TempDir dir;
    const std::string file = dir.File("HKEY_LOCAL_MACHINE.reg");
    std::filesystem::copy_file(std::filesystem::path(QM_SETTINGS_TEST_DATA) / "InitTreeBeforeMoreCodes.reg",
                               file);
    const std::string before = ReadAll(file);
    ASSERT_NE(before.find("RIGHT_DCLICK_ASCII"), std::string::npos);

    FileHiveRegistry hive(file, dir.File("autostart"));
    SettingsRecord record;
    modSettings settings(record, hive);
    ASSERT_TRUE(settings.GetSettings());
    EXPECT_EQ(record.N_ASCII(), 1);
    EXPECT_EQ(record.RIGHT_DCLICK_ASCII(), 18);
    for (const layout::Setting& setting : layout::Settings()) {
        if (setting.optional) {
            EXPECT_TRUE(layout::HoldsDefault(setting, record)) << setting.valueName;
        }
    }
    EXPECT_EQ(record.LEFT_LOCK_ASCII(), SettingsRecord::kNoCode);
    EXPECT_EQ(record.Acceleration(), 0);
    EXPECT_EQ(record.ReconnectAutomatically(), 1);

    ASSERT_TRUE(settings.SetSettings()) << settings.LastSaveProblem();
    EXPECT_EQ(ReadAll(file), before);

    // A value set and then taken back to its default leaves the tree as it was, too.
    record.WHEEL_UP_ASCII(22);
    ASSERT_TRUE(settings.SetSettings());
    EXPECT_NE(ReadAll(file).find("\"WHEEL_UP_ASCII\"=dword:00000016"), std::string::npos);
    record.WHEEL_UP_ASCII(SettingsRecord::kNoCode);
    ASSERT_TRUE(settings.SetSettings());
    EXPECT_EQ(ReadAll(file), before);
}

}  // namespace
}  // namespace qm
