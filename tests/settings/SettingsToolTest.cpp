#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "SettingsTool.h"
#include "SettingsTree.h"
#include "diag/ProgramFolder.h"
#include "settings/RunValueStart.h"
#include "settings/modSettings.h"
#include "support/HiveTest.h"
#include "support/TraceCapture.h"

namespace qm {
namespace {

using test::Dword;
using test::Sz;
using test::Value;

// A command line written as one text, its arguments separated by "|".
std::vector<std::string> Args(const std::string& row) {
    std::vector<std::string> args;
    std::istringstream in(row);
    for (std::string arg; std::getline(in, arg, '|');) {
        args.push_back(arg);
    }
    return args;
}

struct ToolRun {
    int exit = -1;
    std::string out;
    std::string err;
};

// quillmotion-settings' commands on the test's hive: in this process, and once through the built
// program as a user runs it.
class SettingsTool : public test::HiveTest {
protected:
    SettingsTool() {
        ::setenv("QUILLMOTION_HIVE", temp_.file.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", dir_.File("config").c_str(), 1);  // the autostart entry's place
    }
    ~SettingsTool() override {
        ::unsetenv("QUILLMOTION_HIVE");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ToolRun Tool(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int exit = RunSettingsTool(args, out, err);
        return {exit, out.str(), err.str()};
    }
    static int Program(const std::string& args) {
        const char* bin = std::getenv("QM_BIN_DIR");  // else the tool sits beside this test
        const std::string program =
            (bin != nullptr ? std::string(bin) : ProgramFolder()) + "/quillmotion-settings";
        const int status = std::system(("'" + program + "' " + args + " >/dev/null").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(SettingsTool, InitGivesATreeThatLoadsCompletelyAndNeverOverwrites) {
    ASSERT_EQ(Program("init"), 0);

    test::TraceCapture trace;
    SettingsRecord record;
    RunValueStart logOn;
    modSettings settings(record, hive_, logOn);
    ASSERT_TRUE(settings.GetSettings());
    EXPECT_EQ(trace.Count("Value found for KeyName - "), 31);  // every setting the load reads
    EXPECT_TRUE(trace.Contains("Value found for KeyName - Mouse\\Movement\\N_ASCII = 1"));
    EXPECT_TRUE(KeyExists(Base("Ports\\Devices")));

    ASSERT_EQ(Tool({"set", "Mouse\\Movement", "N_ASCII", "REG_DWORD", "65"}).exit, 0);
    Put(Base(), "TracingEnabled", REG_SZ, Sz("1"));  // even a value of another type is kept
    ASSERT_EQ(hive_.RegDeleteKeyA(HKEY_LOCAL_MACHINE, Base("Emulation")), ERROR_SUCCESS);
    const ToolRun again = Tool({"init"});
    ASSERT_EQ(again.exit, 0) << again.err;
    EXPECT_NE(again.out.find("1 values added, 30 existing values kept"), std::string::npos) << again.out;
    EXPECT_EQ(Stored(Base("Mouse\\Movement"), "N_ASCII"), Value(REG_DWORD, Dword(65)));
    EXPECT_EQ(Stored(Base(), "TracingEnabled"), Value(REG_SZ, Sz("1")));
    EXPECT_EQ(Stored(Base("Emulation"), "ASCIISequence"), Value(REG_DWORD, Dword(0)));
}

TEST_F(SettingsTool, MapUnmapGetSetAndExport) {
    ASSERT_EQ(Tool({"init"}).exit, 0);
    ASSERT_EQ(Tool({"map", "COM7:", "/dev/ttyUSB0"}).exit, 0);
    EXPECT_EQ(Stored(Base("Ports\\Devices"), "COM7:"), Value(REG_SZ, Sz("/dev/ttyUSB0")));
    EXPECT_EQ(Tool({"get", "Ports\\Devices", "COM7:"}).out, "/dev/ttyUSB0\n");
    // The export (read back whole: HiveRoundTrip.EveryTypeComesBackFromTheFileAsWritten) holds the
    // Run key beside the settings.
    ToolRun run = Tool({"export"});
    EXPECT_NE(run.out.find("\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Tool({"unmap", "COM7:"}).exit, 0);
    EXPECT_EQ(Stored(Base("Ports\\Devices"), "COM7:").code, ERROR_FILE_NOT_FOUND);

    // Typed writes, as stored and as read back; Windows-1252 in the store, UTF-8 on the line.
    for (const auto& [name, type, text, stored, read] :
         std::vector<std::tuple<std::string, std::string, std::string, test::Read, std::string>>{
             {"Blob", "REG_BINARY", "0A,ff", Value(REG_BINARY, {0x0A, 0xFF}), "0A,FF\n"},
             {"Baud", "REG_DWORD", "0x2580", Value(REG_DWORD, Dword(9600)), "9600\n"},
             {"Big", "REG_DWORD_BIG_ENDIAN", "300", Value(REG_DWORD_BIG_ENDIAN, {0, 0, 1, 0x2C}), "300\n"},
             {"Home", "REG_EXPAND_SZ", "%HOME%\\x", Value(REG_EXPAND_SZ, Sz("%HOME%\\x")), ""},
             {"Name", "REG_SZ", "caf\xC3\xA9", Value(REG_SZ, Sz("caf\xE9")), "caf\xC3\xA9\n"},
             {"@", "REG_SZ", "1.01", Value(REG_SZ, Sz("1.01")), "1.01\n"}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Tool({"set", "", name, type, text}).exit, 0);
        EXPECT_EQ(Stored(Base(), name == "@" ? "" : name), stored);
        if (!read.empty()) {
            EXPECT_EQ(Tool({"get", "", name}).out, read);
        }
    }
    // The longest value name the registry allows is taken and exported.
    EXPECT_EQ(Tool({"set", "", std::string(16383, 'v'), "REG_DWORD", "1"}).exit, 0);
    EXPECT_EQ(Tool({"export"}).exit, 0);
}

// A command that cannot be done ends with 2 (bad arguments) or 1 (the store, or the value is not
// there), says why, and changes nothing.
TEST_F(SettingsTool, CommandsThatCannotBeDoneSayWhyAndChangeNothing) {
    ASSERT_EQ(Tool({"init"}).exit, 0);
    const auto refused = [this](const std::string& row, int exit, const std::string& why) {
        const std::string before = test::ReadFile(temp_.file);
        const ToolRun run = Tool(Args(row));
        const std::string shown = row.substr(0, 40);
        EXPECT_EQ(run.exit, exit) << shown;
        EXPECT_EQ(run.err.rfind("quillmotion-settings: ", 0), 0u) << shown;
        EXPECT_NE(run.err.find(why), std::string::npos) << shown << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << shown;
        EXPECT_EQ(test::ReadFile(temp_.file), before) << shown;
    };
    // The snowman has no Windows-1252 byte; names past the registry's limits could no longer be
    // exported.
    for (const std::string& row : std::vector<std::string>{
             "", "frobnicate", "init|extra", "map|COM7|/dev/ttyUSB0", "map|COM0:|/dev/ttyUSB0",
             "map|COM1234:|/dev/ttyUSB0", "map|com7:|/dev/ttyUSB0", "map|COM7:|ttyUSB0",
             "map|COM7:", "unmap|LPT1:", "get|Ports", "set|Ports|TestPorts|REG_QWORD|1",
             "set|Ports|TestPorts|REG_DWORD|one", "set|Ports|TestPorts|REG_DWORD|4294967296",
             "set|Ports|TestPorts|REG_DWORD", "set||Blob|REG_BINARY|0A,zz",
             "set||Name|REG_SZ|\xE2\x82\xAC\xE2\x98\x83", "set||" + std::string(16384, 'v') + "|REG_DWORD|1",
             "set|Ports\\" + std::string(256, 'k') + "|X|REG_DWORD|1"}) {
        refused(row, 2, "--help");
    }
    refused("unmap|COM7:", 1, "COM7: is not in the device map");
    refused("get||Nothing", 1, "not found");
    refused("set|Nowhere|X|REG_SZ|y", 1, "Software\\Tallowmer\\Quillmotion\\Nowhere");  // set makes no key
    test::WriteFile(
        temp_.file,
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion]\n\"N_ASCII\"=dword:zz\n");
    for (const char* row : {"init", "export", "get||N_ASCII", "map|COM3:|/dev/ttyS2",
                            "unmap|COM3:", "set||N_ASCII|REG_DWORD|1"}) {
        refused(row, 1, temp_.file + " is damaged at line 4");
    }
    EXPECT_EQ(Tool({"--help"}).exit, 0);
}

}  // namespace
}  // namespace qm
