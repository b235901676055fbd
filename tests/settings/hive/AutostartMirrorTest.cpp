#include "settings/hive/AutostartMirror.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "support/HiveTest.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::Sz;

const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The Exec line read back the way a desktop session reads it: first the string escapes of the
// entry file, then the quoting of the Exec key, then %% for a percent sign.
std::vector<std::string> ParseExec(const std::string& entry) {
    const std::size_t start = entry.find("\nExec=") + 6;
    const std::string raw = entry.substr(start, entry.find('\n', start) - start);
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::size_t escape =
            raw[i] == '\\' && i + 1 < raw.size() ? std::string("sntr").find(raw[++i]) : std::string::npos;
        value += escape < 4 ? " \n\t\r"[escape] : raw[i];
    }
    std::vector<std::string> arguments;
    for (std::size_t i = value.find_first_not_of(' '); i < value.size();
         i = value.find_first_not_of(' ', i + 1)) {
        const bool quoted = value[i] == '"';
        std::string argument;
        for (i += quoted ? 1 : 0; i < value.size() && value[i] != (quoted ? '"' : ' '); ++i) {
            i += quoted && value[i] == '\\' && i + 1 < value.size() ? 1 : 0;
            EXPECT_TRUE(value[i] != '%' || value[++i] == '%') << "lone % in " << value;
            argument += value[i];
        }
        EXPECT_TRUE(!quoted || i < value.size()) << "unclosed quote in " << value;
        arguments.push_back(argument);
    }
    return arguments;
}

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    test::WriteFile(file.string(), "#!/bin/sh\n");
}

// The program enters itself as its folder, "\" and "Quillmotion.exe", unquoted even when
// the folder has blanks; the entry must start exactly that program.
TEST(AutostartMirror, TheRunValueBecomesAnEntryThatStartsTheProgram) {
    test::TempHive hive;
    const fs::path folder = hive.dir.Path() / "My \"Odd\" $HOME `x` 100% \\ Programs" / "bin";
    Touch(folder / "Quillmotion");
    const std::string runData = folder.string() + "\\Quillmotion.exe";

    FileHiveRegistry reg = hive.Open();
    const HKEY run = test::CreateKey(reg, kRunKey);
    ASSERT_EQ(test::SetValue(reg, run, "Quillmotion", REG_SZ, Sz(runData)), ERROR_SUCCESS);

    const std::string entryPath = hive.autostart + "/Quillmotion.desktop";
    const std::string entry = test::ReadFile(entryPath);
    EXPECT_EQ(entry.rfind("[Desktop Entry]\nType=Application\nName=Quillmotion\nExec=", 0), 0u) << entry;
    EXPECT_NE(entry.find("\nX-GNOME-Autostart-enabled=true\n"), std::string::npos) << entry;
    EXPECT_EQ(ParseExec(entry), std::vector<std::string>{(folder / "Quillmotion").string()}) << entry;

    // Other values of the Run key and other keys leave the entry alone; the name matches
    // without case.
    ASSERT_EQ(test::SetValue(reg, run, "SomethingElse", REG_SZ, Sz("/bin/true")), ERROR_SUCCESS);
    const HKEY elsewhere = test::CreateKey(reg, "Software\\Tallowmer");
    ASSERT_EQ(test::SetValue(reg, elsewhere, "Quillmotion", REG_SZ, Sz("/bin/false")), ERROR_SUCCESS);
    EXPECT_EQ(test::ReadFile(entryPath), entry);
    ASSERT_EQ(test::SetValue(reg, run, "QUILLMOTION", REG_SZ, Sz("\"/opt/q m/Quillmotion\" -x \"a b\"")),
              ERROR_SUCCESS);
    EXPECT_EQ(ParseExec(test::ReadFile(entryPath)),
              (std::vector<std::string>{"/opt/q m/Quillmotion", "-x", "a b"}));

    ASSERT_EQ(reg.RegDeleteValueA(run, "Quillmotion"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(entryPath));

    // A value in another hive is no autostart entry.
    const HKEY userRun = test::CreateKey(reg, kRunKey, HKEY_CURRENT_USER);
    ASSERT_EQ(test::SetValue(reg, userRun, "Quillmotion", REG_SZ, Sz(runData)), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(entryPath));

    // Expandable text is expanded; a value that is no text removes the entry, as Windows
    // ignores it; so does deleting the whole Run key.
    ::setenv("QM_AUTOSTART_TEST_DIR", folder.string().c_str(), 1);
    ASSERT_EQ(test::SetValue(reg, run, "Quillmotion", REG_EXPAND_SZ,
                             Sz("%QM_AUTOSTART_TEST_DIR%\\Quillmotion.exe")),
              ERROR_SUCCESS);
    ::unsetenv("QM_AUTOSTART_TEST_DIR");
    EXPECT_EQ(ParseExec(test::ReadFile(entryPath)),
              std::vector<std::string>{(folder / "Quillmotion").string()});
    ASSERT_EQ(test::SetValue(reg, run, "Quillmotion", REG_DWORD, test::Dword(1)), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(entryPath));
    ASSERT_EQ(test::SetValue(reg, run, "Quillmotion", REG_SZ, Sz(runData)), ERROR_SUCCESS);
    ASSERT_TRUE(fs::exists(entryPath));
    ASSERT_EQ(reg.RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunKey), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(entryPath));
}

TEST(AutostartMirror, AnEntryThatCannotBeWrittenIsReported) {
    test::TempHive hive;
    test::WriteFile(hive.autostart, "a file where the folder should be");
    FileHiveRegistry reg = hive.Open();
    const HKEY run = test::CreateKey(reg, kRunKey);
    const LONG code = test::SetValue(reg, run, "Quillmotion", REG_SZ, Sz("/usr/bin/quillmotion"));
    EXPECT_TRUE(code == ERROR_CANTWRITE || code == ERROR_ACCESS_DENIED) << code;
    EXPECT_NE(reg.LastError().find("autostart entry"), std::string::npos) << reg.LastError();
    EXPECT_EQ(test::QueryValue(reg, run, "Quillmotion").data, Sz("/usr/bin/quillmotion"))
        << "the value is saved";
}

// How a Windows command line is taken apart.
TEST(AutostartMirror, CommandLinesSplitByTheWindowsRules) {
    test::TempDir dir;
    const std::string tool = dir.File("Tool");
    Touch(tool);

    Touch(dir.File("quillmotion"));
    using Args = std::vector<std::string>;
    // Unquoted, the program is the first part up to a blank that names a file, else the whole
    // line; "X.exe" names the Linux program X (or x) when only that exists; Windows-1252 becomes
    // UTF-8.
    for (const auto& [line, args] : std::vector<std::pair<std::string, Args>>{
             {"\"C:\\My Programs\\Quillmotion.exe\" /min", {"C:/My Programs/Quillmotion.exe", "/min"}},
             {"  C:\\Tools\\q.exe", {"C:/Tools/q.exe"}},
             {tool + " --flag \"two words\" a\\\\\\\"b c\\\\\"d e\"",
              {tool, "--flag", "two words", "a\\\"b", "c\\d e"}},
             {dir.File("No Such") + " Program.exe ", {dir.File("No Such") + " Program.exe"}},
             {dir.File("Quillmotion.exe"), {dir.File("quillmotion")}},
             {"/opt/caf\xE9/q", {"/opt/caf\xC3\xA9/q"}}}) {
        EXPECT_EQ(AutostartMirror::ProgramArguments(line), args) << line;
    }

    const std::string entry = AutostartMirror::EntryText("\"/opt/a\\b/q\" \"tab\there\"");
    EXPECT_EQ(ParseExec(entry), (Args{"/opt/a/b/q", "tab\there"}));
    EXPECT_NE(entry.find("Exec=\"/opt/a/b/q\" \"tab\\there\"\n"), std::string::npos) << entry;

    AutostartMirror mirror(dir.File("autostart"));
    ASSERT_EQ(mirror.Write(tool), 0);
    EXPECT_TRUE(fs::exists(mirror.EntryPath()));
    ASSERT_EQ(mirror.Write("   "), 0);
    EXPECT_FALSE(fs::exists(mirror.EntryPath())) << "a blank command starts nothing";
    EXPECT_EQ(mirror.Remove(), 0);
}

// However long a command line, no part longer than a path can be is tried as the program, so
// taking it apart costs time in proportion to the line (a line of 32,000 blanks once took seconds).
TEST(AutostartMirror, NoPartLongerThanAPathIsTriedAsTheProgram) {
    std::string unquoted;
    std::string quoted = "\"";
    for (int i = 0; i < 32000; ++i) {
        unquoted += "/ ";
        quoted += "/\"";
    }
    for (const std::string& line : {unquoted, quoted}) {
        std::size_t longest = 0;
        std::size_t tried = 0;
        AutostartMirror::ProgramArguments(line, [&](const std::string& path) {
            longest = std::max(longest, path.size());
            tried += path.size();
            return false;
        });
        EXPECT_LE(longest, std::size_t{PATH_MAX + 4}) << line.substr(0, 4);
        EXPECT_LE(tried, std::size_t{PATH_MAX} * PATH_MAX) << line.substr(0, 4);
    }
}

}  // namespace
}  // namespace qm
