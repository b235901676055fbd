#include "settings/hive/FileHiveRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "support/HiveTest.h"

namespace qm {
namespace {

using test::Dword;
using test::Sz;

// What the registry's behaviour leaves to the file store. The behaviour itself (sizes, the probe,
// enumeration, access rights, deleting, expanding) is checked on this store and on the real
// registry alike by the conformance cases.
class FileHiveRegistryTest : public ::testing::Test {
protected:
    test::TempHive hive;
    FileHiveRegistry reg = hive.Open();
};

TEST_F(FileHiveRegistryTest, ReadingMakesNoFileAndRootsAreHandlesOfTheirOwn) {
    HKEY key = 123;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Nowhere", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    EXPECT_FALSE(std::filesystem::exists(hive.file)) << "reading never creates the file";
    // The first key creates the file, and its folders.
    const std::string deep = hive.dir.File("deep/er/HKEY_LOCAL_MACHINE.reg");
    FileHiveRegistry deepReg(deep, "");
    test::CreateKey(deepReg, "Software\\Tallowmer");
    EXPECT_EQ(test::ReadFile(deep),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n[HKEY_LOCAL_MACHINE\\Software\\Tallowmer]\n\n");

    const HKEY made = test::CreateKey(reg, "Software\\Tallowmer");
    EXPECT_EQ(reg.RegOpenKeyExA(made, "\\Leading", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(reg.RegOpenKeyExA(0x80000004u, "", 0, KEY_READ, &key), ERROR_INVALID_HANDLE)
        << "HKEY_PERFORMANCE_DATA is no hive";
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_LOCAL_MACHINE) << "a predefined root opens as itself";
    EXPECT_EQ(reg.RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED) << "the root stays";

    HKEY generic = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tallowmer", 0, 0x80000000u /*GENERIC_READ*/,
                                &generic),
              ERROR_SUCCESS);
    EXPECT_EQ(test::SetValue(reg, generic, "V", REG_DWORD, Dword(2)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegSetValueExA(made, "Null", REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    EXPECT_EQ(reg.RegSetValueExA(made, "Bad\nName", REG_SZ, nullptr, 0), ERROR_INVALID_PARAMETER)
        << "a line break cannot stand in the file";

    // Environment names match without case, as Windows's do.
    ::setenv("QM_HIVE_TEST_HOME", "C:\\Users\\Ann", 1);
    std::string buffer(32, '#');
    EXPECT_EQ(reg.ExpandEnvironmentStringsA("%qm_hive_test_home%", buffer.data(), 32), 13u);
    EXPECT_EQ(std::string(buffer.c_str()), "C:\\Users\\Ann");
    ::unsetenv("QM_HIVE_TEST_HOME");
    EXPECT_EQ(reg.LastError(), "");
}

TEST_F(FileHiveRegistryTest, TheFileKeepsFirstSpellingsAndOrderAndOtherRootsLiveBeside) {
    const HKEY key = test::CreateKey(reg, "Software\\Tallowmer\\Caf\xE9");
    ASSERT_EQ(test::SetValue(reg, key, "PortName", REG_SZ, Sz("COM2:")), ERROR_SUCCESS);
    ASSERT_EQ(test::SetValue(reg, key, "Zeta", REG_SZ, Sz("first")), ERROR_SUCCESS);
    ASSERT_EQ(test::SetValue(reg, key, "ZETA", REG_SZ, Sz("replaced")), ERROR_SUCCESS);
    HKEY created = 0;
    DWORD disposition = 0;
    ASSERT_EQ(reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\TALLOWMER", "", 0, KEY_READ, &created,
                                  &disposition),
              ERROR_SUCCESS);
    const std::string text = test::ReadFile(hive.file);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Caf\xE9]\n\"PortName\"=\"COM2:\"\n"
                        "\"Zeta\"=\"replaced\""),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("TALLOWMER"), std::string::npos);

    test::CreateKey(reg, "Software\\User", HKEY_CURRENT_USER);
    EXPECT_EQ(reg.HiveFilePath(HKEY_CURRENT_USER), hive.dir.File("HKEY_CURRENT_USER.reg"));
    EXPECT_NE(
        test::ReadFile(hive.dir.File("HKEY_CURRENT_USER.reg")).find("[HKEY_CURRENT_USER\\Software\\User]"),
        std::string::npos);
    HKEY other = 0;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\User", 0, KEY_READ, &other),
              ERROR_FILE_NOT_FOUND);
}

TEST(FileHiveRegistryLocation, DefaultFileFollowsTheEnvironment) {
    const char* savedHive = std::getenv("QUILLMOTION_HIVE");
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string hive = savedHive ? savedHive : "";
    const std::string config = savedConfig ? savedConfig : "";

    ::setenv("QUILLMOTION_HIVE", "/tmp/elsewhere.reg", 1);
    EXPECT_EQ(FileHiveRegistry::DefaultLocalMachineFile(), "/tmp/elsewhere.reg");
    ::unsetenv("QUILLMOTION_HIVE");
    ::setenv("XDG_CONFIG_HOME", "/home/ann/cfg", 1);
    EXPECT_EQ(FileHiveRegistry::DefaultLocalMachineFile(),
              "/home/ann/cfg/quillmotion/HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(AutostartMirror::DefaultFolder(), "/home/ann/cfg/autostart");
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        EXPECT_EQ(FileHiveRegistry::DefaultLocalMachineFile(),
                  std::string(home) + "/.config/quillmotion/HKEY_LOCAL_MACHINE.reg");
    }

    savedHive ? ::setenv("QUILLMOTION_HIVE", hive.c_str(), 1) : ::unsetenv("QUILLMOTION_HIVE");
    savedConfig ? ::setenv("XDG_CONFIG_HOME", config.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace qm
