// Hive files that no installation writes: huge, crowded, deeply nested. Each loads or is
// refused cleanly, and a refused file is never written over.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "settings/hive/RegFormat.h"
#include "support/HiveTest.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::Dword;
using test::Sz;

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE";

std::string Nested(std::size_t depth) {
    std::string path = "HKEY_LOCAL_MACHINE";
    for (std::size_t i = 0; i < depth; ++i) {
        path += "\\k";
    }
    return path;
}

std::string Section(const std::string& path) {
    return "[" + path + "]\n";
}

// A file far larger than any settings file: it is refused as a whole before it is read, every
// call says so, and neither a change nor a second program writes over it.
TEST(HiveBadInput, AHugeFileIsRefusedUnreadAndLeftAlone) {
    test::TempHive hive;
    {
        // 50 MB that start like a good hive: a hex value running on over a million lines.
        std::ofstream out(hive.file, std::ios::binary);
        out << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"Blob\"=hex:00,\\\n";
        const std::string line =
            "  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\n";
        for (std::size_t written = 0; written < (std::size_t{50} << 20); written += line.size()) {
            out << line;
        }
        out << "  ff\n";
    }
    struct stat before {};
    ASSERT_EQ(::stat(hive.file.c_str(), &before), 0);

    FileHiveRegistry reg = hive.Open();
    HKEY key = 0;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_NE(reg.LastError().find("larger than 16 MB"), std::string::npos) << reg.LastError();
    EXPECT_NE(reg.LastError().find(hive.file), std::string::npos) << reg.LastError();
    EXPECT_EQ(test::SetValue(reg, HKEY_LOCAL_MACHINE, "Root", REG_DWORD, Dword(1)), ERROR_BADDB);
    FileHiveRegistry another = hive.Open();
    EXPECT_EQ(
        another.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\New", "", 0, KEY_ALL_ACCESS, &key, nullptr),
        ERROR_BADDB);

    struct stat after {};
    ASSERT_EQ(::stat(hive.file.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // Replaced by a good file, the hive works again.
    test::WriteFile(hive.file, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n");
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(reg.LastError(), "");
}

// A change that would make the file too large to read back is refused, and nothing changes.
TEST(HiveBadInput, AChangeThatWouldOutgrowTheLimitIsRefused) {
    test::TempHive hive;
    FileHiveRegistry reg = hive.Open();
    const HKEY key = test::CreateKey(reg, "Software\\Big");
    ASSERT_EQ(test::SetValue(reg, key, "Small", REG_DWORD, Dword(7)), ERROR_SUCCESS);
    const std::string before = test::ReadFile(hive.file);

    // Three characters per byte in the file: 6 MB of data make 18 MB of text.
    const std::vector<unsigned char> huge(std::size_t{6} << 20, 0xAB);
    EXPECT_EQ(test::SetValue(reg, key, "Huge", REG_BINARY, huge), ERROR_CANTWRITE);
    EXPECT_NE(reg.LastError().find("larger than 16 MB"), std::string::npos) << reg.LastError();
    EXPECT_EQ(test::QueryValue(reg, key, "Huge").code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(test::ReadFile(hive.file), before);

    // 2 MB of data (6 MB of text) fit, and read back whole.
    const std::vector<unsigned char> large(std::size_t{2} << 20, 0xCD);
    ASSERT_EQ(test::SetValue(reg, key, "Large", REG_BINARY, large), ERROR_SUCCESS);
    FileHiveRegistry fresh = hive.Open();
    const HKEY freshKey = test::OpenKey(fresh, "Software\\Big");
    EXPECT_EQ(test::QueryValue(fresh, freshKey, "Large").data, large);
}

// Many values in one key and many keys beside each other read in time proportional to the file
// (a file like this once took minutes), and read as the registry keeps them: a name given twice
// is one value that keeps its first place and spelling, and keys enumerate in name order.
TEST(HiveBadInput, CrowdedKeysReadAsTheRegistryKeepsThem) {
    constexpr int kCount = 100000;
    std::string text = "REGEDIT4\n\n" + Section("HKEY_LOCAL_MACHINE\\Software\\Values");
    for (int i = 0; i < kCount; ++i) {
        text += "\"v" + std::to_string(i) + "\"=dword:" + std::to_string(i % 10) + "\n";
    }
    text += "\"V17\"=\"again\"\n";
    // Keys listed backwards, so that every one goes before all those already read.
    for (int i = kCount - 1; i >= 0; --i) {
        text += Section("HKEY_LOCAL_MACHINE\\Software\\Keys\\k" + std::to_string(i));
    }
    text += Section("HKEY_LOCAL_MACHINE\\Software\\KEYS\\K5") + "\"In\"=dword:1\n";

    test::TempHive hive;
    test::WriteFile(hive.file, text);
    FileHiveRegistry reg = hive.Open();
    HKEY values = 0;
    HKEY keys = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Values", 0, KEY_READ, &values), ERROR_SUCCESS)
        << reg.LastError();
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Keys", 0, KEY_READ, &keys), ERROR_SUCCESS);

    char name[32];
    DWORD nameSize = sizeof name;
    DWORD type = 0;
    ASSERT_EQ(reg.RegEnumValueA(values, 17, name, &nameSize, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "v17");
    EXPECT_EQ(test::QueryValue(reg, values, "V17").data, Sz("again"));
    nameSize = sizeof name;
    EXPECT_EQ(reg.RegEnumValueA(values, kCount, name, &nameSize, &type, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);

    // k0, k1, k10, k100, k1000, k10000, k10001, ...
    const char* const first[] = {"k0", "k1", "k10", "k100", "k1000", "k10000", "k10001"};
    for (DWORD i = 0; i < std::size(first); ++i) {
        nameSize = sizeof name;
        ASSERT_EQ(reg.RegEnumKeyExA(keys, i, name, &nameSize), ERROR_SUCCESS);
        EXPECT_EQ(std::string(name), first[i]);
    }
    nameSize = sizeof name;
    EXPECT_EQ(reg.RegEnumKeyExA(keys, kCount, name, &nameSize), ERROR_NO_MORE_ITEMS);
    HKEY k5 = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(keys, "k5", 0, KEY_READ, &k5), ERROR_SUCCESS);
    EXPECT_EQ(test::QueryValue(reg, k5, "in").data, Dword(1));

    // A change saves the whole crowd, and a fresh reader sees it all again.
    ASSERT_EQ(test::SetValue(reg, HKEY_LOCAL_MACHINE, "Root", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    RegFormatError error;
    const std::optional<HiveKey> saved = RegFormat::Read(test::ReadFile(hive.file), kRoot, error);
    ASSERT_TRUE(saved) << error.reason;
    EXPECT_EQ(saved->Find({"Software", "Values"})->Values().size(), std::size_t{kCount});
    EXPECT_EQ(saved->Find({"Software", "Keys"})->SubKeys().size(), std::size_t{kCount});
}

// Keys nest at most 512 levels, as on Windows. A deeper file is refused like a damaged one (a
// few hundred kilobytes of backslashes once crashed the program), and no caller can create a key
// that deep, so the hive never writes a file it could not read back.
TEST(HiveBadInput, KeysNestAtMost512Levels) {
    RegFormatError error;
    EXPECT_TRUE(RegFormat::Read("REGEDIT4\n" + Section(Nested(512)), kRoot, error)) << error.reason;
    for (const std::size_t depth : {std::size_t{513}, std::size_t{400000}}) {
        SCOPED_TRACE(depth);
        test::TempHive hive;
        const std::string text =
            "REGEDIT4\n\n" + Section("HKEY_LOCAL_MACHINE\\Software") + Section(Nested(depth));
        test::WriteFile(hive.file, text);
        FileHiveRegistry reg = hive.Open();
        HKEY key = 0;
        EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
        EXPECT_NE(reg.LastError().find("line 4: a key nested deeper than 512 levels"), std::string::npos)
            << reg.LastError().substr(0, 400);
        EXPECT_EQ(test::SetValue(reg, HKEY_LOCAL_MACHINE, "Root", REG_DWORD, Dword(1)), ERROR_BADDB);
        EXPECT_EQ(test::ReadFile(hive.file), text);
    }

    test::TempHive hive;
    FileHiveRegistry reg = hive.Open();
    std::string deepest;
    for (int i = 0; i < 511; ++i) {
        deepest += "k\\";
    }
    const HKEY key = test::CreateKey(reg, deepest + "k");
    HKEY result = 0;
    EXPECT_EQ(reg.RegCreateKeyExA(key, "deeper", "", 0, KEY_ALL_ACCESS, &result, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, deepest + "k\\deeper", "", 0, KEY_ALL_ACCESS, &result,
                                  nullptr),
              ERROR_INVALID_PARAMETER);
    ASSERT_EQ(test::SetValue(reg, key, "AtTheBottom", REG_DWORD, Dword(512)), ERROR_SUCCESS);
    FileHiveRegistry fresh = hive.Open();
    ASSERT_EQ(fresh.RegOpenKeyExA(HKEY_LOCAL_MACHINE, deepest + "k", 0, KEY_READ, &result), ERROR_SUCCESS)
        << fresh.LastError();
    EXPECT_EQ(test::QueryValue(fresh, result, "AtTheBottom").data, Dword(512));
}

}  // namespace
}  // namespace qm
