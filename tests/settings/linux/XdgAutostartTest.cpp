#include "settings/linux/XdgAutostart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "support/TempDir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
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

// A Run value's command line, as Windows-shaped as the program ever wrote one: its folder, "\"
// and "Quillmotion.exe", unquoted even when the folder has blanks. The entry must start exactly
// that program.
TEST(XdgAutostart, AnEntryStartsTheCommandLineUntilDisabled) {
    test::TempDir dir;
    const fs::path folder = dir.Path() / "My \"Odd\" $HOME `x` 100% \\ Programs" / "bin";
    Touch(folder / "Quillmotion");
    XdgAutostart autostart(dir.File("autostart"));
    std::string problem;
    ASSERT_TRUE(autostart.Enable(folder.string() + "\\Quillmotion.exe", problem)) << problem;

    const std::string entryPath = dir.File("autostart/Quillmotion.desktop");
    EXPECT_EQ(autostart.EntryPath(), entryPath);
    const std::string entry = test::ReadFile(entryPath);
    EXPECT_EQ(entry.rfind("[Desktop Entry]\nType=Application\nName=Quillmotion\nExec=", 0), 0u) << entry;
    EXPECT_NE(entry.find("\nX-GNOME-Autostart-enabled=true\n"), std::string::npos) << entry;
    EXPECT_EQ(ParseExec(entry), std::vector<std::string>{(folder / "Quillmotion").string()}) << entry;

    ASSERT_TRUE(autostart.Enable("\"/opt/q m/Quillmotion\" -x \"a b\"", problem));
    EXPECT_EQ(ParseExec(test::ReadFile(entryPath)),
              (std::vector<std::string>{"/opt/q m/Quillmotion", "-x", "a b"}));
    ASSERT_TRUE(autostart.Enable("   ", problem));
    EXPECT_FALSE(fs::exists(entryPath)) << "a blank command starts nothing";
    ASSERT_TRUE(autostart.Enable("/opt/q", problem));
    ASSERT_TRUE(autostart.Disable(problem));
    EXPECT_FALSE(fs::exists(entryPath));
    EXPECT_TRUE(autostart.Disable(problem)) << "nothing to remove is no failure";
}

TEST(XdgAutostart, AnEntryThatCannotBeWrittenIsReported) {
    test::TempDir dir;
    test::WriteFile(dir.File("autostart"), "a file where the folder should be");
    XdgAutostart autostart(dir.File("autostart"));
    std::string problem;
    EXPECT_FALSE(autostart.Enable("/usr/bin/quillmotion", problem));
    EXPECT_EQ(problem.rfind("The setting was saved, but the autostart entry " + autostart.EntryPath() +
                                " could not be updated: ",
                            0),
              0u)
        << problem;
}

// The environment changed here is read by no other case of this program.
TEST(XdgAutostart, TheFolderFollowsTheEnvironment) {
    ::setenv("XDG_CONFIG_HOME", "/home/ann/cfg", 1);
    EXPECT_EQ(XdgAutostart::DefaultFolder(), "/home/ann/cfg/autostart");
    ::unsetenv("XDG_CONFIG_HOME");
}

// How a Windows command line is taken apart.
TEST(XdgAutostart, CommandLinesSplitByTheWindowsRules) {
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
        EXPECT_EQ(XdgAutostart::ProgramArguments(line), args) << line;
    }

    const std::string entry = XdgAutostart::EntryText("\"/opt/a\\b/q\" \"tab\there\"");
    EXPECT_EQ(ParseExec(entry), (Args{"/opt/a/b/q", "tab\there"}));
    EXPECT_NE(entry.find("Exec=\"/opt/a/b/q\" \"tab\\there\"\n"), std::string::npos) << entry;
}

// However long a command line, no part longer than a path can be is tried as the program, so
// taking it apart costs time in proportion to the line (a line of 32,000 blanks once took seconds).
TEST(XdgAutostart, NoPartLongerThanAPathIsTriedAsTheProgram) {
    std::string unquoted;
    std::string quoted = "\"";
    for (int i = 0; i < 32000; ++i) {
        unquoted += "/ ";
        quoted += "/\"";
    }
    for (const std::string& line : {unquoted, quoted}) {
        std::size_t longest = 0;
        std::size_t tried = 0;
        XdgAutostart::ProgramArguments(line, [&](const std::string& path) {
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
