#include "settings/hive/FileHiveRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "HiveTestSupport.h"

namespace qm {
namespace {

using test::Dword;
using test::Sz;

class FileHiveRegistryTest : public ::testing::Test {
protected:
    test::TempHive hive;
    FileHiveRegistry reg = hive.Open();
};

TEST_F(FileHiveRegistryTest, MissingKeysValuesAndHandlesGiveTheWin32Codes) {
    HKEY key = 123;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Nowhere", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    EXPECT_FALSE(std::filesystem::exists(hive.file)) << "reading never creates the file";

    const HKEY made = test::CreateKey(reg, "Software\\Tallowmer");
    EXPECT_NE(made, 0u);
    DWORD size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(made, "Missing", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegQueryValueExA(made, "", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND)
        << "a default value that was never set is missing";
    EXPECT_EQ(reg.RegDeleteValueA(made, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegDeleteKeyA(made, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegOpenKeyExA(made, "\\Leading", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);

    // Handles: never 0, distinct, closed once; unknown ones are invalid everywhere.
    HKEY again = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\TALLOWMER\\", 0, KEY_READ, &again),
              ERROR_SUCCESS);
    EXPECT_NE(again, made);
    EXPECT_EQ(reg.RegCloseKey(again), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegCloseKey(again), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.RegCloseKey(0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.RegQueryValueExA(again, "x", nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(test::SetValue(reg, 0x4242, "x", REG_DWORD, Dword(1)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.RegOpenKeyExA(0x80000004u, "", 0, KEY_READ, &key), ERROR_INVALID_HANDLE)
        << "HKEY_PERFORMANCE_DATA is no hive";

    // A predefined root opens as itself with an empty path; an opened key opens anew.
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegOpenKeyExA(made, "", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_NE(key, made);
    EXPECT_EQ(reg.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegCloseKey(made), ERROR_SUCCESS);
    EXPECT_EQ(reg.LastError(), "");
}

TEST_F(FileHiveRegistryTest, AccessMasksGuardReadsAndWrites) {
    test::CreateKey(reg, "Software\\Tallowmer");
    HKEY readOnly = 0;
    HKEY writeOnly = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tallowmer", 0, KEY_READ, &readOnly),
              ERROR_SUCCESS);
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tallowmer", 0, KEY_WRITE, &writeOnly),
              ERROR_SUCCESS);

    EXPECT_EQ(test::SetValue(reg, readOnly, "V", REG_DWORD, Dword(1)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegDeleteValueA(readOnly, "V"), ERROR_ACCESS_DENIED);
    ASSERT_EQ(test::SetValue(reg, writeOnly, "V", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    EXPECT_EQ(test::QueryValue(reg, writeOnly, "V").code, ERROR_ACCESS_DENIED);
    char name[32];
    DWORD nameSize = sizeof name;
    EXPECT_EQ(reg.RegEnumValueA(writeOnly, 0, name, &nameSize, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegEnumKeyExA(writeOnly, 0, name, &nameSize), ERROR_ACCESS_DENIED);
    EXPECT_EQ(test::QueryValue(reg, readOnly, "V").data, Dword(1));

    HKEY generic = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tallowmer", 0, 0x80000000u /*GENERIC_READ*/,
                                &generic),
              ERROR_SUCCESS);
    EXPECT_EQ(test::QueryValue(reg, generic, "V").code, ERROR_SUCCESS);
    EXPECT_EQ(test::SetValue(reg, generic, "V", REG_DWORD, Dword(2)), ERROR_ACCESS_DENIED);
}

// Sizes, the two-step read, the too-small buffer and the 255-byte probe the settings layer
// makes before every read.
TEST_F(FileHiveRegistryTest, QueriesReportSizesAndTooSmallBuffers) {
    const HKEY key = test::CreateKey(reg, "Software\\Tallowmer");
    ASSERT_EQ(test::SetValue(reg, key, "Port", REG_SZ, Sz("COM1:")), ERROR_SUCCESS);
    ASSERT_EQ(test::SetValue(reg, key, "Long", REG_SZ, Sz(std::string(300, 'x'))), ERROR_SUCCESS);
    ASSERT_EQ(test::SetValue(reg, key, "Bare", REG_SZ, test::Bytes("abc")), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(reg.RegQueryValueExA(key, "port", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u) << "the NUL counts";

    unsigned char probe[255];
    size = sizeof probe;
    EXPECT_EQ(reg.RegQueryValueExA(key, "Port", &type, probe, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(reinterpret_cast<char*>(probe), "COM1:");

    size = sizeof probe;
    EXPECT_EQ(reg.RegQueryValueExA(key, "Long", &type, probe, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 301u) << "the size needed";
    EXPECT_EQ(type, REG_SZ);

    unsigned char exact[6];
    size = 5;
    EXPECT_EQ(reg.RegQueryValueExA(key, "Port", nullptr, exact, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);

    // Written without its NUL: stored with one, as Windows does.
    std::memset(probe, 'z', sizeof probe);
    size = sizeof probe;
    ASSERT_EQ(reg.RegQueryValueExA(key, "Bare", &type, probe, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(probe[3], 0);
    size = 3;
    EXPECT_EQ(reg.RegQueryValueExA(key, "Bare", &type, probe, &size), ERROR_MORE_DATA);

    EXPECT_EQ(reg.RegQueryValueExA(key, "Port", nullptr, probe, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.RegSetValueExA(key, "Null", REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    EXPECT_EQ(reg.RegSetValueExA(key, "Bad\nName", REG_SZ, nullptr, 0), ERROR_INVALID_PARAMETER);
}

TEST_F(FileHiveRegistryTest, EnumerationSortsKeysKeepsValueOrderAndEnds) {
    const HKEY key = test::CreateKey(reg, "Software\\Tallowmer");
    for (const char* sub : {"Zulu", "alpha", "Mike"}) {
        test::CreateKey(reg, std::string("Software\\Tallowmer\\") + sub);
    }
    for (const char* value : {"Zeta", "beta", "Mu"}) {
        ASSERT_EQ(test::SetValue(reg, key, value, REG_SZ, Sz(std::string("v-") + value)), ERROR_SUCCESS);
    }
    ASSERT_EQ(test::SetValue(reg, key, "ZETA", REG_SZ, Sz("replaced")), ERROR_SUCCESS);

    std::vector<std::string> keys;
    char name[256];
    DWORD nameSize = sizeof name;
    for (DWORD i = 0; reg.RegEnumKeyExA(key, i, name, &nameSize) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name) {
        EXPECT_EQ(nameSize, std::strlen(name));
        keys.emplace_back(name);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"alpha", "Mike", "Zulu"}));
    nameSize = sizeof name;
    EXPECT_EQ(reg.RegEnumKeyExA(key, 3, name, &nameSize), ERROR_NO_MORE_ITEMS);
    nameSize = 4;  // "Zulu" needs 5 with its NUL
    EXPECT_EQ(reg.RegEnumKeyExA(key, 2, name, &nameSize), ERROR_MORE_DATA);
    EXPECT_EQ(nameSize, 4u) << "the name size is not updated";

    std::vector<std::string> values;
    DWORD type = 0;
    unsigned char data[64];
    DWORD dataSize = sizeof data;
    nameSize = sizeof name;
    for (DWORD i = 0; reg.RegEnumValueA(key, i, name, &nameSize, &type, data, &dataSize) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name, dataSize = sizeof data) {
        values.push_back(std::string(name) + "=" + reinterpret_cast<char*>(data));
    }
    EXPECT_EQ(values, (std::vector<std::string>{"Zeta=replaced", "beta=v-beta", "Mu=v-Mu"}))
        << "a value set again keeps its place and its spelling";
    nameSize = sizeof name;
    EXPECT_EQ(reg.RegEnumValueA(key, 3, name, &nameSize, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    nameSize = 2;
    EXPECT_EQ(reg.RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    nameSize = sizeof name;
    dataSize = 3;
    EXPECT_EQ(reg.RegEnumValueA(key, 1, name, &nameSize, &type, data, &dataSize), ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 7u) << "the data size needed";
    nameSize = sizeof name;
    dataSize = 0;
    EXPECT_EQ(reg.RegEnumValueA(key, 1, name, &nameSize, &type, nullptr, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(dataSize, 7u);
    EXPECT_EQ(std::string(name), "beta");
}

TEST_F(FileHiveRegistryTest, NamesMatchWithoutCaseAndKeepTheirSpelling) {
    const HKEY key = test::CreateKey(reg, "Software\\Tallowmer\\Caf\xE9");
    ASSERT_EQ(test::SetValue(reg, key, "PortName", REG_SZ, Sz("COM2:")), ERROR_SUCCESS);
    ASSERT_EQ(test::SetValue(reg, key, "\xC9t\xE9", REG_DWORD, Dword(7)), ERROR_SUCCESS);

    HKEY other = 0;
    ASSERT_EQ(
        reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\tallowmer\\CAF\xC9", 0, KEY_ALL_ACCESS, &other),
        ERROR_SUCCESS);
    EXPECT_EQ(test::QueryValue(reg, other, "PORTNAME").data, Sz("COM2:"));
    EXPECT_EQ(test::QueryValue(reg, other, "\xE9T\xC9").data, Dword(7));
    EXPECT_EQ(test::QueryValue(reg, other, "PortNam").code, ERROR_FILE_NOT_FOUND);

    DWORD disposition = 0;
    HKEY created = 0;
    ASSERT_EQ(reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\TALLOWMER", "", 0, KEY_READ, &created,
                                  &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    const std::string text = test::ReadFile(hive.file);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Caf\xE9]\n\"PortName\"="),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("TALLOWMER"), std::string::npos);
}

TEST_F(FileHiveRegistryTest, CreatingAndDeletingKeysFollowsWindows) {
    DWORD disposition = 0;
    HKEY key = 0;
    ASSERT_EQ(reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\A\\B\\C", "", 0, KEY_ALL_ACCESS, &key,
                                  &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    HKEY middle = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\A\\B", 0, KEY_ALL_ACCESS, &middle),
              ERROR_SUCCESS)
        << "intermediate keys are created";
    ASSERT_EQ(reg.RegCreateKeyExA(middle, "C", "", 0, KEY_ALL_ACCESS, &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\A"), ERROR_ACCESS_DENIED)
        << "a key with subkeys stays, as on Windows NT";
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED) << "the root stays";
    ASSERT_EQ(reg.RegDeleteKeyA(middle, "c"), ERROR_SUCCESS);

    // A handle to a deleted key is dead, as on Windows.
    DWORD size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(key, "x", nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(test::SetValue(reg, key, "x", REG_DWORD, Dword(1)), ERROR_KEY_DELETED);
    EXPECT_EQ(reg.RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(reg.RegDeleteKeyA(middle, ""), ERROR_SUCCESS) << "an empty path deletes the key itself";
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\A\\B", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\A", 0, KEY_READ, &key), ERROR_SUCCESS);

    // Other roots live beside HKEY_LOCAL_MACHINE.
    test::CreateKey(reg, "Software\\User", HKEY_CURRENT_USER);
    EXPECT_EQ(reg.HiveFilePath(HKEY_CURRENT_USER), hive.dir.File("HKEY_CURRENT_USER.reg"));
    EXPECT_NE(
        test::ReadFile(hive.dir.File("HKEY_CURRENT_USER.reg")).find("[HKEY_CURRENT_USER\\Software\\User]"),
        std::string::npos);
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\User", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(FileHiveRegistryTest, ExpandsEnvironmentReferencesAsWindowsDoes) {
    ::setenv("QM_HIVE_TEST_HOME", "C:\\Users\\Ann", 1);
    const std::string source = "%qm_hive_test_home%\\%QM_HIVE_UNSET%\\100%\\%QM_HIVE_TEST_HOME%";
    const std::string expected = "C:\\Users\\Ann\\%QM_HIVE_UNSET%\\100%\\C:\\Users\\Ann";
    const DWORD needed = reg.ExpandEnvironmentStringsA(source, nullptr, 0);
    EXPECT_EQ(needed, expected.size() + 1);
    std::string small(needed - 1, '#');
    EXPECT_EQ(reg.ExpandEnvironmentStringsA(source, small.data(), needed - 1), needed);
    EXPECT_EQ(small, std::string(needed - 1, '#')) << "nothing is written when it does not fit";
    std::string buffer(needed, '#');
    EXPECT_EQ(reg.ExpandEnvironmentStringsA(source, buffer.data(), needed), needed);
    EXPECT_EQ(buffer, expected + std::string(1, '\0'));
    ::unsetenv("QM_HIVE_TEST_HOME");
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
