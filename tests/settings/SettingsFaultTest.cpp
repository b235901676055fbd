// Loading and saving the settings from a hive that holds the wrong things, a disk that is full
// and a log that cannot be written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "diag/Trace.h"
#include "settings/HiveFixture.h"
#include "settings/modSettings.h"
#include "support/TraceCapture.h"

namespace qm {
namespace {

using test::Dword;
using test::Sz;

class SettingsFaults : public test::HiveTest {
protected:
    void InstallTree() { ASSERT_TRUE(SettingsTree::EnsureTree(hive_).Ok()); }

    SettingsRecord record_;
    modSettings settings_{record_, hive_};
    test::TraceCapture trace_;
};

// Values a hand edit or another program could leave: a code that is no number stops the load
// with the conversion's error and reads nothing after it; a text too long for the settings'
// buffer counts as absent and takes its default.
TEST_F(SettingsFaults, WrongTypesAndOverlongTextsLoadOrFailCleanly) {
    const struct {
        const char* what;
        DWORD type;
        std::vector<unsigned char> data;
        const char* error;
    } broken[] = {
        {"binary", REG_BINARY, {0x01, 0x00}, "Type mismatch"},
        {"multi-string", REG_MULTI_SZ, {'1', 0, '2', 0, 0}, "Type mismatch"},
        {"text that is no number", REG_SZ, Sz("north"), "Type mismatch"},
        {"number too large", REG_SZ, Sz("99999"), "Overflow"},
        {"dword too large", REG_DWORD, Dword(0x10000), "Overflow"},
    };
    InstallTree();
    for (const auto& c : broken) {
        SCOPED_TRACE(c.what);
        Put(Base("Mouse\\Movement"), "S_ASCII", c.type, c.data);
        Put(Base("Emulation"), "ASCIISequence", REG_DWORD, Dword(1));
        trace_.Clear();
        SettingsRecord record;
        modSettings loader(record, hive_);
        EXPECT_FALSE(loader.GetSettings());
        EXPECT_TRUE(trace_.Contains(std::string("modSettings.GetSettings:#Method Exit Error#: ") + c.error));
        EXPECT_EQ(record.N_ASCII(), 1) << "read before the broken value";
        EXPECT_EQ(record.ASCIISequence(), 0) << "never reached";
    }

    Put(Base("Mouse\\Movement"), "S_ASCII", REG_DWORD, {7, 0});  // a short dword is still a number
    Put(Base("Ports\\LastPort"), "PortName", REG_SZ, Sz(std::string(300, 'P')));
    Put(Base("Version"), "", REG_SZ, Sz(std::string(300, '9')));
    trace_.Clear();
    ASSERT_TRUE(settings_.GetSettings());
    EXPECT_EQ(record_.S_ASCII(), 7);
    EXPECT_EQ(record_.PortName(), "COM1:");
    EXPECT_EQ(record_.StoredVersion(), "1.00");
    EXPECT_EQ(record_.ASCIISequence(), 1);
    EXPECT_TRUE(trace_.Contains("Default Value taken for KeyName - Ports\\LastPort\\PortName"));
}

// Tracing must never disturb its callers: with the log's place taken by a folder, or below a
// file, settings load and save as before, and nothing is traced anywhere.
TEST_F(SettingsFaults, AnUnwritableLogLeavesLoadAndSaveWorking) {
    InstallTree();
    const std::string folder = dir_.File("log.txt");
    std::filesystem::create_directory(folder);
    test::WriteFile(folder + "/keep", "");
    test::WriteFile(dir_.File("plain"), "x");
    for (const std::string& log : {folder, dir_.File("plain") + "/log.txt"}) {
        SCOPED_TRACE(log);
        trace_.Clear();
        modTrace::SetLogFile(log);
        SettingsRecord record;
        modSettings settings(record, hive_);
        settings.ProgramLocation("/opt/quillmotion", "quillmotion");
        ASSERT_TRUE(settings.GetSettings());
        EXPECT_EQ(record.N_ASCII(), 1);
        record.BaudRate(9600);
        ASSERT_TRUE(settings.SetSettings());
        EXPECT_EQ(Stored(Base("Ports\\LastPort"), "BaudRate"),
                  (SettingsTree::RegValue{REG_DWORD, Dword(9600)}));
        EXPECT_TRUE(trace_.Pieces().empty());
        EXPECT_TRUE(std::filesystem::is_directory(folder));
    }
}

// Saving on a full disk (here a file size limit, as a quota gives): the save reports failure,
// the file keeps every byte it had, and the log, which cannot grow either, stays silent.
TEST_F(SettingsFaults, ASaveOnAFullDiskFailsAndKeepsTheFileWhole) {
    InstallTree();
    ASSERT_TRUE(settings_.GetSettings());
    const std::string before = test::ReadFile(HiveFile());
    test::WriteFile(trace_.LogPath(), std::string(before.size(), '-'));

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Not even a file of the present size fits: no rewrite can complete.
        const rlim_t limit = before.size() / 2;
        const rlimit fileSize{limit, limit};
        ::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0) {
            ::_exit(2);
        }
        record_.PortName("COM12:");
        record_.Parity("Even");
        settings_.ProgramLocation("/opt/quillmotion", "quillmotion");
        ::_exit(settings_.SetSettings() ? 3 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no limit; 3: the save reported success";

    EXPECT_EQ(test::ReadFile(HiveFile()), before);
    EXPECT_EQ(test::ReadFile(trace_.LogPath()), std::string(before.size(), '-'));
    SettingsRecord reloaded;
    modSettings loader(reloaded, hive_);
    ASSERT_TRUE(loader.GetSettings());
    EXPECT_EQ(reloaded.PortName(), "COM1:");
}

}  // namespace
}  // namespace qm
