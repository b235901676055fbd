#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "diag/ProgramFolder.h"
#include "diag/RaisedError.h"
#include "settings/HiveFixture.h"
#include "settings/modSettings.h"
#include "support/TraceCapture.h"

namespace qm {
namespace {

using test::Dword;
using test::Sz;

class Persistence : public test::HiveTest {
protected:
    void PutCodes() {
        for (const SettingsTree::DefaultCode& code : SettingsTree::DefaultCodes()) {
            Put(Base(code.key), code.valueName, REG_DWORD, Dword(static_cast<std::uint32_t>(code.code)));
        }
    }
    void InstallTree() { ASSERT_TRUE(SettingsTree::EnsureTree(hive_).Ok()); }
    std::string RunKey() const { return layout::kRunKey; }

    SettingsRecord record_;
    modSettings settings_{record_, hive_};
    test::TraceCapture trace_;
};

TEST_F(Persistence, EmptyRegistryStopsAtTheFirstCode) {
    EXPECT_FALSE(settings_.GetSettings());

    // Everything before N_ASCII took its default...
    EXPECT_EQ(record_.TracingEnabled(), 0);
    EXPECT_EQ(record_.StoredVersion(), "1.00");
    EXPECT_EQ(record_.ConnectOnApplicationStartup(), 0);
    EXPECT_EQ(record_.RunOnSystemStartup(), 0);
    EXPECT_EQ(record_.MovementIncrementX(), 2.0f);
    EXPECT_EQ(record_.MovementIncrementY(), 2.0f);
    EXPECT_EQ(record_.MovementDelay(), 2.0f);
    // ...and nothing after it was read.
    EXPECT_EQ(record_.BouncyMouseAngle(), 0);
    EXPECT_EQ(record_.BaudRate(), 0);
    EXPECT_EQ(record_.PortName(), "");

    const std::vector<std::string> reports = trace_.Reports();
    const auto at =
        std::find(reports.begin(), reports.end(),
                  "clsSettings.GetRegistrySetting:#Method Exit Error#: -2147220504:"
                  "clsSettings.GetRegistrySetting:No Default Value specified for missing Registry "
                  "Setting : Mouse\\Movement\\N_ASCII");
    ASSERT_NE(at, reports.end());
    ASSERT_NE(at + 1, reports.end());
    EXPECT_EQ(*(at + 1), "modSettings.GetSettings:#Method Exit Error#: Invalid use of Null");
    EXPECT_EQ(at + 2, reports.end());
    EXPECT_EQ(std::count_if(
                  reports.begin(), reports.end(),
                  [](const std::string& r) { return r.find("Default Value taken") != std::string::npos; }),
              7);
}

TEST_F(Persistence, CodesAloneLoadWithEveryDefault) {
    PutCodes();
    Put(Base("Mouse\\Movement"), "E_ASCII", REG_SZ, Sz("5"));  // a text that is a number loads as one
    ASSERT_TRUE(settings_.GetSettings());

    EXPECT_EQ(record_.StoredVersion(), "1.00");
    EXPECT_EQ(record_.N_ASCII(), 1);
    EXPECT_EQ(record_.E_ASCII(), 5);
    EXPECT_EQ(record_.SW_ASCII(), 11);
    EXPECT_EQ(record_.STOP_ASCII(), 12);
    EXPECT_EQ(record_.LEFT_SCLICK_ASCII(), 14);
    EXPECT_EQ(record_.RIGHT_DCLICK_ASCII(), 18);
    EXPECT_EQ(record_.BouncyMouse(), 0);
    EXPECT_EQ(record_.BouncyMouseAngle(), 90);
    EXPECT_EQ(record_.TestPorts(), 0);
    EXPECT_EQ(record_.BaudRate(), 2400);
    EXPECT_EQ(record_.DataBits(), 8);
    EXPECT_EQ(record_.StoredFlowControl(), "None");
    EXPECT_EQ(record_.Handshaking(), "None");
    EXPECT_EQ(record_.Parity(), "None");
    EXPECT_EQ(record_.PortName(), "COM1:");
    EXPECT_EQ(record_.StopBits(), 1);
    EXPECT_EQ(record_.ASCIISequence(), 0);
}

TEST_F(Persistence, AValueThatDoesNotConvertStopsTheLoad) {
    InstallTree();
    Put(Base("Ports\\LastPort"), "BaudRate", REG_SZ, Sz("fast"));
    Put(Base("Emulation"), "ASCIISequence", REG_DWORD, Dword(1));
    EXPECT_FALSE(settings_.GetSettings());
    EXPECT_TRUE(trace_.Contains("modSettings.GetSettings:#Method Exit Error#: Type mismatch"));
    EXPECT_EQ(record_.TestPorts(), 0);
    EXPECT_EQ(record_.PortName(), "");      // read after BaudRate: never reached
    EXPECT_EQ(record_.ASCIISequence(), 0);  // stored as 1, never reached
}

TEST_F(Persistence, SaveWritesEverythingInOrderAndRoundsHalfToEven) {
    InstallTree();
    ASSERT_TRUE(settings_.GetSettings());
    record_.MovementIncrementX(2.5f);
    record_.MovementIncrementY(3.5f);
    record_.MovementDelay(7.0f);
    record_.PortName("COM7:");
    record_.StopBits(2);
    record_.LEFT_SCLICK_ASCII(200);
    record_.FlowControl("None");

    test::FaultyRegistry recording(hive_);
    modSettings saver(record_, recording);
    saver.ProgramLocation(dir_.Path().string(), "quillmotion");
    ASSERT_TRUE(saver.SetSettings());
    EXPECT_EQ(recording.valuesSet, (std::vector<std::string>{"",
                                                             "ConnectOnApplicationStartup",
                                                             "RunOnSystemStartup",
                                                             "MovementIncrementX",
                                                             "MovementIncrementY",
                                                             "MovementDelay",
                                                             "N_ASCII",
                                                             "E_ASCII",
                                                             "S_ASCII",
                                                             "W_ASCII",
                                                             "NE_ASCII",
                                                             "NW_ASCII",
                                                             "SE_ASCII",
                                                             "SW_ASCII",
                                                             "STOP_ASCII",
                                                             "BouncyMouse",
                                                             "BouncyMouseAngle",
                                                             "LEFT_SCLICK_ASCII",
                                                             "LEFT_DCLICK_ASCII",
                                                             "RIGHT_SCLICK_ASCII",
                                                             "RIGHT_DCLICK_ASCII",
                                                             "TestPorts",
                                                             "BaudRate",
                                                             "DataBits",
                                                             "FlowControl",
                                                             "Handshaking",
                                                             "Parity",
                                                             "PortName",
                                                             "StopBits",
                                                             "ASCIISequence"}));
    EXPECT_EQ(recording.opened, recording.closed);
    EXPECT_EQ(Stored(Base("Mouse\\Movement"), "MovementIncrementX"),
              (SettingsTree::RegValue{REG_DWORD, Dword(2)}));
    EXPECT_EQ(Stored(Base("Mouse\\Movement"), "MovementIncrementY"),
              (SettingsTree::RegValue{REG_DWORD, Dword(4)}));
    EXPECT_EQ(Stored(Base("Ports\\LastPort"), "PortName"), (SettingsTree::RegValue{REG_SZ, Sz("COM7:")}));
    EXPECT_EQ(Stored(Base("Version"), ""), (SettingsTree::RegValue{REG_SZ, Sz("1.00")}));

    SettingsRecord reloaded;
    modSettings loader(reloaded, hive_);
    ASSERT_TRUE(loader.GetSettings());
    EXPECT_EQ(reloaded.MovementIncrementX(), 2.0f);
    EXPECT_EQ(reloaded.MovementIncrementY(), 4.0f);
    EXPECT_EQ(reloaded.MovementDelay(), 7.0f);
    EXPECT_EQ(reloaded.StopBits(), 2);
    EXPECT_EQ(reloaded.LEFT_SCLICK_ASCII(), 200);
    EXPECT_EQ(reloaded.PortName(), "COM7:");
}

TEST_F(Persistence, AWriteThatFailsIsReportedAndTheRestAreStillSaved) {
    // Keys missing: their values are lost, the keys are not created, and the save names them
    // and the command that adds them.
    InstallTree();
    ASSERT_EQ(hive_.RegDeleteKeyA(HKEY_LOCAL_MACHINE, Base("Emulation")), ERROR_SUCCESS);
    ASSERT_EQ(hive_.RegDeleteKeyA(HKEY_LOCAL_MACHINE, Base("Version")), ERROR_SUCCESS);
    ASSERT_TRUE(settings_.GetSettings());
    record_.StopBits(2);
    record_.ASCIISequence(1);
    EXPECT_FALSE(settings_.SetSettings());
    EXPECT_EQ(
        settings_.LastSaveProblem(),
        "The settings tree lacks the keys HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion\\Version and "
        "HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion\\Emulation, which Quillmotion does not create. "
        "\"quillmotion-settings init\" adds them and changes no value that is already there.");
    EXPECT_FALSE(KeyExists(Base("Emulation")));
    EXPECT_EQ(Stored(Base("Ports\\LastPort"), "StopBits"), (SettingsTree::RegValue{REG_DWORD, Dword(2)}));
    EXPECT_TRUE(trace_.Contains("modSettings.SetSettings:Method Exit: "));

    // A store that refuses one write: false, and the writes after it still happen.
    MakeKey(Base("Emulation"));
    MakeKey(Base("Version"));
    test::FaultyRegistry faulty(hive_);
    faulty.failSetValue["MovementDelay"] = ERROR_ACCESS_DENIED;
    modSettings saver(record_, faulty);
    record_.DataBits(7);
    EXPECT_FALSE(saver.SetSettings());
    EXPECT_EQ(
        saver.LastSaveProblem(),
        "HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion\\Mouse\\Movement\\MovementDelay could not be "
        "saved.");
    EXPECT_EQ(Stored(Base("Ports\\LastPort"), "DataBits"), (SettingsTree::RegValue{REG_DWORD, Dword(7)}));
    EXPECT_EQ(Stored(Base("Emulation"), "ASCIISequence"), (SettingsTree::RegValue{REG_DWORD, Dword(1)}));

    faulty.failSetValue.clear();
    EXPECT_TRUE(saver.SetSettings());
    EXPECT_EQ(saver.LastSaveProblem(), "");
}

TEST_F(Persistence, RunEntryFollowsRunOnSystemStartup) {
    InstallTree();
    ASSERT_TRUE(settings_.GetSettings());
    // A Linux folder may hold what a command line quotes or expands.
    const std::string folder = dir_.File("Quill \"Motion\" $HOME\\x");
    std::filesystem::create_directory(folder);
    test::WriteFile(folder + "/quillmotion", "");
    settings_.ProgramLocation(folder, "quillmotion");

    record_.RunOnSystemStartup(1);
    ASSERT_TRUE(settings_.SetSettings());
    EXPECT_EQ(Stored(RunKey(), "Quillmotion"),
              (SettingsTree::RegValue{REG_SZ, Sz("\"" + folder + "/quillmotion\"")}));
    EXPECT_EQ(Stored(Base(), "RunOnSystemStartup"), (SettingsTree::RegValue{REG_DWORD, Dword(1)}));
    // The entry starts that one program: quoted, with ", $ and \ escaped for the Exec line and the
    // backslash escaped again for the entry file.
    EXPECT_NE(test::ReadFile(AutostartFolder() + "/Quillmotion.desktop")
                  .find("Exec=\"" + dir_.File(R"(Quill \\"Motion\\" \\$HOME\\\\x/quillmotion")") + "\n"),
              std::string::npos)
        << test::ReadFile(AutostartFolder() + "/Quillmotion.desktop");

    record_.RunOnSystemStartup(0);
    EXPECT_TRUE(settings_.SetSettings());
    EXPECT_FALSE(Stored(RunKey(), "Quillmotion"));
    EXPECT_FALSE(std::filesystem::exists(AutostartFolder() + "/Quillmotion.desktop"));
    // Already gone: still a clean save.
    EXPECT_TRUE(settings_.SetSettings());
    EXPECT_TRUE(KeyExists(RunKey()));

    // Only exactly 1 enters the program.
    record_.RunOnSystemStartup(2);
    EXPECT_TRUE(settings_.SetSettings());
    EXPECT_FALSE(Stored(RunKey(), "Quillmotion"));
}

TEST_F(Persistence, RunCommandQuotesThePathWithOneSeparator) {
    EXPECT_EQ(modSettings::RunCommand("/opt/Quill Motion", "quillmotion"),
              "\"/opt/Quill Motion/quillmotion\"");
    EXPECT_EQ(modSettings::RunCommand("/", "quillmotion"), "\"/quillmotion\"");

    // Unless told otherwise, the entry names the running program.
    InstallTree();
    ASSERT_TRUE(settings_.GetSettings());
    record_.RunOnSystemStartup(1);
    ASSERT_TRUE(settings_.SetSettings());
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").filename().string();
    EXPECT_EQ(Stored(RunKey(), "Quillmotion"),
              (SettingsTree::RegValue{REG_SZ, Sz("\"" + ProgramFolderFile(self) + "\"")}));
}

TEST_F(Persistence, TracingEnabledIsNeverSaved) {
    InstallTree();
    Put(Base(), "TracingEnabled", REG_DWORD, Dword(1));
    ASSERT_TRUE(settings_.GetSettings());
    EXPECT_EQ(record_.TracingEnabled(), 1);
    // Switched off by hand while the program runs: the next save leaves it alone.
    Put(Base(), "TracingEnabled", REG_DWORD, Dword(0));
    ASSERT_TRUE(settings_.SetSettings());
    EXPECT_EQ(Stored(Base(), "TracingEnabled"), (SettingsTree::RegValue{REG_DWORD, Dword(0)}));
    Put(Base(), "TracingEnabled", REG_DWORD, Dword(1));
    ASSERT_TRUE(settings_.SetSettings());
    ASSERT_TRUE(settings_.SetSettings());
    EXPECT_EQ(Stored(Base(), "TracingEnabled"), (SettingsTree::RegValue{REG_DWORD, Dword(1)}));
}

TEST_F(Persistence, NarrowingAccessorsOverflowAndKeepTheOldValue) {
    record_.LEFT_SCLICK_ASCII(65);
    try {
        record_.LEFT_SCLICK_ASCII(40000);
        ADD_FAILURE() << "no overflow";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.Number(), err::Overflow);
    }
    EXPECT_EQ(record_.LEFT_SCLICK_ASCII(), 65);
    EXPECT_THROW(record_.ConnectOnApplicationStartup(-32769), RaisedError);
    EXPECT_NO_THROW(record_.RIGHT_DCLICK_ASCII(-32768));
    EXPECT_EQ(record_.RIGHT_DCLICK_ASCII(), -32768);

    // A stored code beyond 16 bits fails the load instead of wrapping.
    PutCodes();
    Put(Base("Mouse\\Buttons"), "LEFT_DCLICK_ASCII", REG_DWORD, Dword(40000));
    EXPECT_FALSE(settings_.GetSettings());
    EXPECT_TRUE(trace_.Contains("modSettings.GetSettings:#Method Exit Error#: Overflow"));
}

}  // namespace
}  // namespace qm
