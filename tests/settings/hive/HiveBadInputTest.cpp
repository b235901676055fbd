// Hive files that no installation writes: huge, crowded, deeply nested. Each loads or is
// refused cleanly, and a refused file is never written over.
#include <gtest/gtest.h>

#include <string>

#include "settings/hive/RegFormat.h"
#include "support/HiveTest.h"

namespace qm {
namespace {

using test::ByteVector;
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

// A file larger than any settings file is refused unread by every call and never written over;
// a change that would outgrow the limit is refused and changes nothing.
TEST(HiveBadInput, FilesAndChangesOverTheSizeLimitAreRefused) {
    test::TempHive hive;
    const std::string huge = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"Blob\"=hex:00,\\\n" +
                             std::string(std::size_t{17} << 20, ' ') + "ff\n";
    test::WriteFile(hive.file, huge);
    FileHiveRegistry reg = hive.Open();
    HKEY key = 0;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_NE(reg.LastError().find("larger than 16 MB"), std::string::npos) << reg.LastError();
    EXPECT_NE(reg.LastError().find(hive.file), std::string::npos) << reg.LastError();
    EXPECT_EQ(test::SetValue(reg, HKEY_LOCAL_MACHINE, "Root", REG_DWORD, Dword(1)), ERROR_BADDB);
    EXPECT_EQ(test::ReadFile(hive.file).size(), huge.size());

    test::WriteFile(hive.file, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n");
    key = test::OpenKey(reg, "Software", KEY_ALL_ACCESS);
    EXPECT_EQ(reg.LastError(), "") << "a good file replacing it works again";
    const std::string before = test::ReadFile(hive.file);
    // Three characters per byte in the file: 6 MB of data make 18 MB of text.
    EXPECT_EQ(test::SetValue(reg, key, "Huge", REG_BINARY, ByteVector(std::size_t{6} << 20, 0xAB)),
              ERROR_CANTWRITE);
    EXPECT_NE(reg.LastError().find("larger than 16 MB"), std::string::npos) << reg.LastError();
    EXPECT_EQ(test::ReadFile(hive.file), before);
}

// A name given twice is one value that keeps its first place and spelling, and keys enumerate
// in name order whatever order the file lists them in.
TEST(HiveBadInput, CrowdedKeysReadAsTheRegistryKeepsThem) {
    std::string text = "REGEDIT4\n\n" + Section("HKEY_LOCAL_MACHINE\\Software\\Values");
    for (int i = 0; i < 20; ++i) {
        text += "\"v" + std::to_string(i) + "\"=dword:1\n";
    }
    text += "\"V17\"=\"again\"\n";
    for (const char* name : {"k10", "k1", "k100", "k0", "K2"}) {
        text += Section(std::string("HKEY_LOCAL_MACHINE\\Software\\Keys\\") + name);
    }
    test::TempHive hive;
    test::WriteFile(hive.file, text);
    FileHiveRegistry reg = hive.Open();
    const HKEY values = test::OpenKey(reg, "Software\\Values");
    char name[32];
    DWORD nameSize = sizeof name;
    DWORD type = 0;
    ASSERT_EQ(reg.RegEnumValueA(values, 17, name, &nameSize, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "v17");
    EXPECT_EQ(test::QueryValue(reg, values, "V17").data, Sz("again"));
    nameSize = sizeof name;
    EXPECT_EQ(reg.RegEnumValueA(values, 20, name, &nameSize, &type, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    const HKEY keys = test::OpenKey(reg, "Software\\Keys");
    std::string order;
    for (DWORD i = 0; nameSize = sizeof name, reg.RegEnumKeyExA(keys, i, name, &nameSize) == ERROR_SUCCESS;
         ++i) {
        order += std::string(name) + " ";
    }
    EXPECT_EQ(order, "k0 k1 k10 k100 K2 ");
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
