#include "settings/hive/FileHiveRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "SettingsTree.h"
#include "settings/hive/RegFormat.h"
#include "support/HiveTest.h"

namespace qm {
namespace {

using test::Bytes;
using test::Dword;
using test::Sz;

// What the registry's behaviour leaves to the file store, and the file's format. The behaviour
// itself (sizes, the probe, enumeration, access rights, deleting, expanding) is checked on this
// store and on the real registry alike by the conformance cases.
struct FileHiveRegistryTest : ::testing::Test {
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
    FileHiveRegistry deepReg(deep);
    test::CreateKey(deepReg, "Software\\Tallowmer");
    EXPECT_EQ(test::ReadFile(deep),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n[HKEY_LOCAL_MACHINE\\Software\\Tallowmer]\n\n");

    const HKEY made = test::CreateKey(reg, "Software\\Tallowmer");
    EXPECT_EQ(reg.RegOpenKeyExA(made, "\\Leading", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(reg.RegOpenKeyExA(0x80000004u, "", 0, KEY_READ, &key), ERROR_INVALID_HANDLE)
        << "HKEY_PERFORMANCE_DATA is no hive";
    EXPECT_EQ(test::OpenKey(reg, ""), HKEY_LOCAL_MACHINE) << "a predefined root opens as itself";
    EXPECT_EQ(reg.RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED) << "the root stays";

    const HKEY generic = test::OpenKey(reg, "Software\\Tallowmer", 0x80000000u /*GENERIC_READ*/);
    EXPECT_EQ(test::SetValue(reg, generic, "V", REG_DWORD, Dword(2)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegSetValueExA(made, "Null", REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    EXPECT_EQ(reg.RegSetValueExA(made, "Bad\nName", REG_SZ, nullptr, 0), ERROR_INVALID_PARAMETER)
        << "a line break cannot stand in the file";
    EXPECT_EQ(reg.LastError(), "");
}

TEST_F(FileHiveRegistryTest, TheFileKeepsFirstSpellingsAndOrder) {
    const HKEY key = test::CreateKey(reg, "Software\\Tallowmer\\Caf\xE9");
    ASSERT_EQ(test::SetValue(reg, key, "PortName", REG_SZ, Sz("COM2:")), ERROR_SUCCESS);
    ASSERT_EQ(test::SetValue(reg, key, "Zeta", REG_SZ, Sz("first")), ERROR_SUCCESS);
    ASSERT_EQ(test::SetValue(reg, key, "ZETA", REG_SZ, Sz("replaced")), ERROR_SUCCESS);
    test::CreateKey(reg, "software\\TALLOWMER");
    const std::string text = test::ReadFile(hive.file);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Caf\xE9]\n\"PortName\"=\"COM2:\"\n"
                        "\"Zeta\"=\"replaced\""),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("TALLOWMER"), std::string::npos);
}

// The environment changed here is read by no other case of this program.
TEST(FileHiveRegistryLocation, DefaultFileFollowsTheEnvironment) {
    ::unsetenv("QUILLMOTION_HIVE");  // which names the file: SettingsTool, which runs on its test's file
    ::setenv("XDG_CONFIG_HOME", "/home/ann/cfg", 1);
    EXPECT_EQ(FileHiveRegistry::DefaultLocalMachineFile(),
              "/home/ann/cfg/quillmotion/HKEY_LOCAL_MACHINE.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        EXPECT_EQ(FileHiveRegistry::DefaultLocalMachineFile(),
                  std::string(home) + "/.config/quillmotion/HKEY_LOCAL_MACHINE.reg");
    }
}

const std::string kRoot = "HKEY_LOCAL_MACHINE";

// Every value type, and the shapes of data that a plain line cannot carry, survive a save and
// a reading of the file, and so does the settings tool's export of them: same names, types,
// bytes and order.
TEST(HiveRoundTrip, EveryTypeComesBackFromTheFileAsWritten) {
    test::TempHive hive;
    const std::vector<HiveValue> values = {
        {"", REG_SZ, Sz("1.00")},
        {"Text", REG_SZ, Sz("C:\\Program Files\\\"Quill\" \xE9t\xE9 \t tab")},
        {"Empty", REG_SZ, Sz("")},
        {"InnerNul", REG_SZ, Bytes(std::string("inner\0nul\0", 10))},
        {"Lines", REG_SZ, Sz("two\r\nlines")},
        {"Nothing", REG_SZ, {}},
        {"Expand", REG_EXPAND_SZ, Sz("%SystemRoot%\\x")},
        {"Answer", REG_DWORD, Dword(0x2a)},
        {"Max", REG_DWORD, Dword(0xFFFFFFFFu)},
        {"ShortDword", REG_DWORD, {1, 2, 3}},
        {"Big", REG_DWORD_BIG_ENDIAN, {0x00, 0x00, 0x01, 0x00}},
        {"Blob", REG_BINARY, {0x0a, 0xff, 0x00}},
        {"LongBlob", REG_BINARY, test::ByteVector(300, 0x5a)},
        {"EmptyBlob", REG_BINARY, {}},
        {"None", REG_NONE, {}},
        {"Multi", REG_MULTI_SZ, Bytes(std::string("one\0two\0\0", 9))},
        {"OddType", 0x12345, {0x42}},
        {"Quote\"And\\Backslash \xC9", REG_SZ, Sz("name escapes")}};
    std::string exported;
    {
        FileHiveRegistry reg = hive.Open();
        const HKEY key = test::CreateKey(reg, "Software\\Tallowmer\\Quillmotion");
        for (const HiveValue& value : values) {
            ASSERT_EQ(test::SetValue(reg, key, value.name, value.type, value.data), ERROR_SUCCESS)
                << value.name;
        }
        test::CreateKey(reg, "Software\\Tallowmer\\Quillmotion\\Empty Key");
        EXPECT_EQ(reg.RegCloseKey(key), ERROR_SUCCESS);
        ASSERT_TRUE(SettingsTree::Export(reg, exported).Ok());
    }

    const std::string text = test::ReadFile(hive.file);
    // Texts, numbers and bytes as a person reads them and the registry editor writes them.
    for (const char* line : {"\n[HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion]\n@=\"1.00\"\n",
                             "\n\"Text\"=\"C:\\\\Program Files\\\\\\\"Quill\\\" \xE9t\xE9 \t tab\"\n",
                             "\n\"Answer\"=dword:0000002a\n", "\n\"Blob\"=hex:0a,ff,00\n",
                             "\n\"Quote\\\"And\\\\Backslash \xC9\"=\"name escapes\"\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << "missing: " << line << "\nin:\n" << text;
    }
    EXPECT_NE(text.find(",\\\n  "), std::string::npos) << "long hex lists wrap as the editor wraps them";

    for (const std::string& written : {text, exported}) {
        RegFormatError error;
        const std::optional<HiveKey> tree = RegFormat::Read(written, kRoot, error);
        ASSERT_TRUE(tree) << "line " << error.line << ": " << error.reason << "\n" << written;
        const HiveKey* settings = tree->Find(SplitKeyPath("Software\\Tallowmer\\Quillmotion"));
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(settings->Values(), values);
        ASSERT_EQ(settings->SubKeys().size(), 1u);
        EXPECT_EQ(settings->SubKeys()[0].Name(), "Empty Key");
    }
}

// Files written by hand or by the registry editor read as the editor reads them.
TEST(RegFormat, ReadsWhatPeopleAndTheEditorWrite) {
    const std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n"  // an editor saving as UTF-8 puts a byte-order mark first
        "\r\n"
        "; a comment\r\n"
        "[hkey_local_machine\\SOFTWARE\\Tallowmer]\r\n"
        "  \"Spaced\" = \"x\"  \r\n"
        "\"Hex\"=hex:01,02,\\\r\n"
        "  03 , 04\r\n"
        "\"Word\"=DWORD:2A\r\n"
        "\"Odd\"=\"C:\\temp\"\r\n"
        "[HKEY_LOCAL_MACHINE]\n"
        "@=\"root default\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tallowmer]\n"
        "\"SPACED\"=\"y\"\n"
        "\"More\"=hex(7):61,00,00\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tallowmer\\k10]\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tallowmer\\K2]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tallowmer\\k1]\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tallowmer\\k100]\n";
    RegFormatError error;
    const std::optional<HiveKey> root = RegFormat::Read(text, kRoot, error);
    ASSERT_TRUE(root) << error.line << ": " << error.reason;
    EXPECT_EQ(root->FindValue("")->data, Sz("root default"));
    const HiveKey* key = root->Find({"Software", "tallowmer"});
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Name(), "Tallowmer");
    ASSERT_EQ(key->Values().size(), 5u);
    // A later section adds to the key; a value named again keeps its place and first spelling.
    EXPECT_EQ(key->Values()[0].name, "Spaced");
    EXPECT_EQ(key->Values()[0].data, Sz("y"));
    EXPECT_EQ(key->FindValue("hex")->data, (std::vector<unsigned char>{1, 2, 3, 4}));
    EXPECT_EQ(key->FindValue("Word")->data, Dword(0x2a));
    EXPECT_EQ(key->FindValue("Odd")->data, Sz("C:\\temp"));  // an unknown escape stays as written
    EXPECT_EQ(key->FindValue("More")->type, REG_MULTI_SZ);
    std::string order;  // keys in name order without case, whatever order the file gives
    for (const HiveKey& sub : key->SubKeys()) {
        order += sub.Name() + " ";
    }
    EXPECT_EQ(order, "k1 k10 k100 K2 ");
}

TEST(RegFormat, RejectsDamageWithTheLineAndTheReason) {
    for (const auto& [text, line, reason] : std::vector<std::tuple<std::string, std::size_t, std::string>>{
             {"", 1, "does not start with the line REGEDIT4"},
             {"Windows Registry Editor Version 5.00\n", 1, "REGEDIT4"},
             {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"Name\"=\"cut sho", 4, "closing quotation mark"},
             {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"Blob\"=hex:01,\\\n", 4, "past the end of the file"},
             {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A", 3, "closing bracket"},
             {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\x01\x02\x03", 4, "control byte 0x01"},
             {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\nNAME=1\n", 4, "neither a [key]"},
             {"REGEDIT4\n\"Early\"=\"x\"\n", 2, "before the first [key]"},
             {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n", 2, "is not under HKEY_LOCAL_MACHINE"},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n", 2, "empty name"},
             {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A]\n", 2, "deletion"},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=-\n", 3, "deletion"},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=dword:123456789\n", 3, "bad dword"},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex:1g\n", 3, "bad hex byte"},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex:01,\n", 3, "bad hex byte"},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex(2:01\n", 3, "parenthesis"},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"x\" trailing\n", 3,
              "after the closing quotation mark"},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\" \"x\"\n", 3, "without \"=\""},
             {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=12\n", 3, "neither \"text\""},
             {std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"a") + '\0' + "b\"\n", 3,
              "control byte 0x00"}}) {
        RegFormatError error;
        EXPECT_FALSE(RegFormat::Read(text, kRoot, error)) << text;
        EXPECT_EQ(error.line, line) << text;
        EXPECT_NE(error.reason.find(reason), std::string::npos) << text << " -> " << error.reason;
    }
}

}  // namespace
}  // namespace qm
