// The settings as the program reads and writes them (clsRegistry, clsSettings, modSettings), on
// the real file store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <future>

#include <sys/stat.h>

#include "SettingsTree.h"
#include "diag/ProgramFolder.h"
#include "diag/RaisedError.h"
#include "settings/SettingsRecord.h"
#include "settings/clsRegistry.h"
#include "settings/clsSettings.h"
#include "settings/hive/FileLock.h"
#include "settings/linux/XdgAutostart.h"
#include "settings/modSettings.h"
#include "support/HiveTest.h"
#include "support/Raised.h"
#include "support/TraceCapture.h"

namespace qm {
namespace {

using test::Dword;
using test::Sz;
using test::Value;

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : ",") + items[i];
    }
    return text;
}

// Every setting of a record, in load order, as text: one comparison shows each that differs.
std::string Record(const SettingsRecord& record) {
    std::vector<std::string> values;
    for (const layout::Setting& setting : layout::Settings()) {
        values.push_back(layout::Value(setting, record).ToText());
    }
    return Joined(values);
}

class Settings : public test::HiveTest {
protected:
    clsSettings Cls() {
        clsSettings settings(hive_);
        settings.RegistryHive(HKEY_LOCAL_MACHINE);
        settings.RegistryBaseKey(layout::kBaseKey);
        return settings;
    }
    void InstallTree() { ASSERT_TRUE(SettingsTree::EnsureTree(hive_).Ok()); }

    test::TraceCapture trace_;
    SettingsRecord record_;
    XdgAutostart autostart_{temp_.autostart};
    modSettings settings_{record_, hive_, autostart_};
};

TEST_F(Settings, ProbeLimitAndEmptyTexts) {
    const std::string key = Base("Ports\\LastPort");
    Put(key, "Long", REG_SZ, Sz(std::string(300, 'x')));
    Put(key, "Fits", REG_SZ, Sz(std::string(254, 'y')));  // 255 bytes with its NUL
    Put(key, "Empty", REG_SZ, Sz(""));
    Put(key, "NoNul", REG_SZ, {});
    clsSettings settings = Cls();
    clsRegistry registry(hive_);

    // 300 characters do not fit the probe: handled as absent.
    EXPECT_EQ(settings.GetRegistrySetting("Ports\\LastPort", "Long", "None"), Variant("None"));
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Could not open Value - Error was : 234"));
    EXPECT_EQ(registry.getValue(HKEY_LOCAL_MACHINE, key, "Fits"), Variant(std::string(254, 'y')));

    // A stored empty text is a value: no default replaces it.
    trace_.Clear();
    EXPECT_EQ(settings.GetRegistrySetting("Ports\\LastPort", "Empty", "None"), Variant(""));
    EXPECT_FALSE(trace_.Contains("Default Value taken"));

    // A text without even its NUL cannot be read; the error is trapped and reported.
    EXPECT_TRUE(registry.getValue(HKEY_LOCAL_MACHINE, key, "NoNul").IsEmpty());
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Error : 5 : Invalid procedure call or argument"));
}

// A code is written as a DWORD, a negative one too; a value that does not convert writes nothing.
// (Floats into a DWORD: SaveWritesEverythingInOrderAndRoundsHalfToEven.) Values of other types,
// as a hand edit leaves them, read as the registry classes always read them: binary as text,
// big-endian most significant byte first, expandable texts expanded but traced as stored, and a
// multi-string with the NULs between its strings.
TEST_F(Settings, ValueTypesReadAndWritten) {
    const std::string key = Base("Values");
    const HKEY hklm = HKEY_LOCAL_MACHINE;
    Put(key, "Blob", REG_BINARY, {0x0A, 0xFF});
    clsRegistry registry(hive_);
    EXPECT_TRUE(registry.setValue(hklm, key, "Negative", std::int16_t{-2}, REG_DWORD));
    EXPECT_EQ(Stored(key, "Negative"), Value(REG_DWORD, Dword(0xFFFFFFFEu)));
    EXPECT_EQ(registry.getValue(hklm, key, "Negative"), Variant(std::int32_t{-2}));
    for (const auto& [value, type] : {std::pair{Variant("fast"), REG_DWORD}, {Variant::Null(), REG_SZ}}) {
        EXPECT_FALSE(registry.setValue(hklm, key, "Blob", value, type)) << value.ToText();
    }
    EXPECT_EQ(Stored(key, "Blob"), Value(REG_BINARY, {0x0A, 0xFF}));
    EXPECT_EQ(registry.getValue(hklm, key, "Blob"), Variant("0A,FF"));
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Type is REG_BINARY"));

    Put(key, "BigStored", REG_DWORD_BIG_ENDIAN, {0, 0, 1, 0x2C});
    trace_.Clear();
    EXPECT_EQ(registry.getValue(hklm, key, "BigStored"), Variant(std::int32_t{300}));
    EXPECT_FALSE(trace_.Contains("Value is"));
    ::setenv("QM_SETTINGS_TEST_FOLDER", "/opt/quill", 1);
    Put(key, "Path", REG_EXPAND_SZ, Sz("%QM_SETTINGS_TEST_FOLDER%/log"));
    EXPECT_EQ(registry.getValue(hklm, key, "Path"), Variant("/opt/quill/log"));
    EXPECT_TRUE(trace_.Contains("Value is %QM_SETTINGS_TEST_FOLDER%/log"));
    Put(key, "Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    EXPECT_EQ(registry.getValue(hklm, key, "Multi"), Variant(std::string("a\0b\0", 4)));
}

TEST_F(Settings, AFailedCloseLosesTheReadAndEveryKeyIsClosed) {
    const std::string key = Base("Mouse\\Movement");
    Put(key, "N_ASCII", REG_DWORD, Dword(1));
    test::FaultyRegistry faulty(hive_);
    clsRegistry registry(faulty);

    faulty.failClose = ERROR_INVALID_HANDLE;
    EXPECT_TRUE(registry.getValue(HKEY_LOCAL_MACHINE, key, "N_ASCII").IsEmpty());
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Could not Close Key - Error was : 6"));
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "N_ASCII", std::int16_t{2}, REG_DWORD));

    // Every path out closes what it opened: failed reads, failed conversions, failed writes.
    faulty.failClose = ERROR_SUCCESS;
    registry.getValue(HKEY_LOCAL_MACHINE, key, "Missing");
    registry.setValue(HKEY_LOCAL_MACHINE, key, "Bad", "fast", REG_DWORD);
    faulty.failSetValue["N_ASCII"] = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "N_ASCII", std::int16_t{3}, REG_DWORD));
    registry.deleteValueName(HKEY_LOCAL_MACHINE, key, "Missing");
    EXPECT_GT(faulty.opened, 0);
    EXPECT_EQ(faulty.opened, faulty.closed);
    // The write before the failed close went through; the one refused did not.
    EXPECT_EQ(Stored(key, "N_ASCII"), Value(REG_DWORD, Dword(2)));
}

TEST_F(Settings, EmptyRegistryStopsAtTheFirstCodeAndCodesAloneLoadWithEveryDefault) {
    EXPECT_FALSE(settings_.GetSettings());
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Could not open key - Error was : 2"));
    // Everything before N_ASCII took its default, and nothing after it was read.
    EXPECT_EQ(Record(record_),
              "0,1.00,0,0,2,2,2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,,,,,0,0,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,"
              "-1,-1,-1,-1,-1,0,0,0,0,0");
    const std::vector<std::string> reports = trace_.Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(
        reports[reports.size() - 2],
        "clsSettings.GetRegistrySetting:#Method Exit Error#: -2147220504:clsSettings.GetRegistrySetting:"
        "No Default Value specified for missing Registry Setting : Mouse\\Movement\\N_ASCII");
    EXPECT_EQ(reports.back(), "modSettings.GetSettings:#Method Exit Error#: Invalid use of Null");
    EXPECT_EQ(trace_.Count("Default Value taken"), 7);

    // With the codes alone, everything else loads at its default.
    for (const SettingsTree::DefaultCode& code : SettingsTree::DefaultCodes()) {
        Put(Base(code.key), code.valueName, REG_DWORD, Dword(static_cast<DWORD>(code.code)));
    }
    Put(Base("Mouse\\Movement"), "E_ASCII", REG_SZ, Sz("5"));  // a text that is a number loads as one
    Put(Base(), "TracingEnabled", REG_DWORD, Dword(1));
    ASSERT_TRUE(settings_.GetSettings());
    // A default taken, and why, as traced. (A setting found, with its trace:
    // SettingsTool.InitGivesATreeThatLoadsCompletelyAndNeverOverwrites.)
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Could not open Value - Error was : 2"));
    EXPECT_TRUE(
        trace_.Contains("clsSettings.GetRegistrySetting:: Default Value taken for KeyName - "
                        "Mouse\\Movement\\BouncyMouseAngle"));
    EXPECT_EQ(Record(record_),
              "1,1.00,0,0,2,2,2,1,5,3,4,5,6,7,11,12,0,90,14,15,16,18,0,2400,8,None,None,None,COM1:,1,0,-1,-1,"
              "-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,0,4,1000,25,1");
}

// Values a hand edit or another program could leave: a code that is no number stops the load
// with the conversion's error and reads nothing after it. (A text too long for the settings'
// buffer: ProbeLimitAndEmptyTexts.)
TEST_F(Settings, WrongTypesLoadOrFailCleanly) {
    InstallTree();
    Put(Base("Emulation"), "ASCIISequence", REG_DWORD, Dword(1));
    for (const auto& [type, data, error] : std::vector<std::tuple<DWORD, test::ByteVector, std::string>>{
             {REG_BINARY, {0x01, 0x00}, "Type mismatch"},
             {REG_MULTI_SZ, {'1', 0, '2', 0, 0}, "Type mismatch"},
             {REG_SZ, Sz("north"), "Type mismatch"},
             {REG_SZ, Sz("99999"), "Overflow"},
             {REG_DWORD, Dword(0x10000), "Overflow"}}) {
        SCOPED_TRACE(error + " from a value of type " + std::to_string(type));
        Put(Base("Mouse\\Movement"), "S_ASCII", type, data);
        trace_.Clear();
        SettingsRecord record;
        modSettings loader(record, hive_, autostart_);
        EXPECT_FALSE(loader.GetSettings());
        EXPECT_TRUE(trace_.Contains("modSettings.GetSettings:#Method Exit Error#: " + error));
        EXPECT_EQ(record.N_ASCII(), 1) << "read before the broken value";
        EXPECT_EQ(record.ASCIISequence(), 0) << "never reached";
    }

    Put(Base("Mouse\\Movement"), "S_ASCII", REG_DWORD, {7, 0});  // a short dword is still a number
    ASSERT_TRUE(settings_.GetSettings());
    EXPECT_EQ(record_.S_ASCII(), 7);
    EXPECT_EQ(record_.ASCIISequence(), 1);
}

// A save writes what changed since the load, in order, floats rounded half to even. What another
// program stored meanwhile stays, and reading the store again takes it into the record, except
// over an edit of the record's own that is not saved yet: that one the next save writes.
TEST_F(Settings, SaveWritesWhatChangedAndKeepsWhatAnotherProgramStored) {
    InstallTree();
    test::FaultyRegistry recording(hive_);
    modSettings saver(record_, recording, autostart_);
    saver.ProgramLocation(dir_.Path().string(), "quillmotion");
    ASSERT_TRUE(saver.GetSettings());
    FileHiveRegistry tool = temp_.Open();  // quillmotion-settings set, while the program runs
    const auto set = [&tool](const std::string& key, const std::string& name, DWORD code) {
        const HKEY opened = test::OpenKey(tool, Base(key), KEY_WRITE);
        EXPECT_EQ(test::SetValue(tool, opened, name, REG_DWORD, Dword(code)), ERROR_SUCCESS);
        tool.RegCloseKey(opened);
    };
    set("Mouse\\Buttons", "LEFT_LOCK_ASCII", 20);
    set("Mouse\\Movement", "N_ASCII", 30);
    record_.MovementIncrementX(2.5f);
    record_.MovementIncrementY(3.5f);
    record_.MovementDelay(7.0f);
    record_.PortName("COM7:");
    record_.StopBits(2);
    record_.LEFT_SCLICK_ASCII(200);
    record_.LoadTracingEnabled(1);  // loaded, never saved: switched off by hand, it stays off
    ASSERT_TRUE(saver.SetSettings());
    EXPECT_EQ(Joined(recording.valuesSet),
              "MovementIncrementX,MovementIncrementY,MovementDelay,LEFT_SCLICK_ASCII,PortName,StopBits");
    EXPECT_EQ(recording.opened, recording.closed);
    EXPECT_FALSE(saver.Unsaved());

    record_.E_ASCII(40);
    set("Mouse\\Movement", "E_ASCII", 50);
    ASSERT_TRUE(saver.TakeOutsideChanges());
    EXPECT_EQ(std::to_string(record_.N_ASCII()) + " " + std::to_string(record_.Code(CodeAction::LeftLock)) +
                  " " + std::to_string(record_.E_ASCII()),
              "30 20 40");
    ASSERT_TRUE(saver.Unsaved() && saver.SetSettings());
    SettingsRecord reloaded;
    modSettings loader(reloaded, hive_, autostart_);
    ASSERT_TRUE(loader.GetSettings());
    EXPECT_EQ(
        Record(reloaded),
        "0,1.00,0,0,2,4,7,30,40,3,4,5,6,7,11,12,0,90,200,15,16,18,0,2400,8,None,None,None,COM7:,2,0,20,-"
        "1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,0,4,1000,25,1");
}

// A save that fails leaves what it could not write unsaved, says which values and why, and the
// next save writes them again.
TEST_F(Settings, AWriteThatFailsIsReportedAndTriedAgain) {
    // Keys missing: their values are lost, the keys are not created, and the save names them
    // and the command that adds them.
    InstallTree();
    ASSERT_EQ(hive_.RegDeleteKeyA(HKEY_LOCAL_MACHINE, Base("Emulation")), ERROR_SUCCESS);
    test::FaultyRegistry faulty(hive_);
    modSettings saver(record_, faulty, autostart_);
    ASSERT_TRUE(saver.GetSettings());
    record_.StopBits(2);
    record_.ASCIISequence(1);
    EXPECT_FALSE(saver.SetSettings());
    EXPECT_EQ(
        saver.LastSaveProblem(),
        "The settings tree lacks the key HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion\\Emulation, "
        "which Quillmotion does not create. \"quillmotion-settings init\" adds it and changes no value "
        "that is already there.");
    EXPECT_FALSE(KeyExists(Base("Emulation")));
    EXPECT_EQ(Stored(Base("Ports\\LastPort"), "StopBits"), Value(REG_DWORD, Dword(2)));
    EXPECT_TRUE(trace_.Contains("modSettings.SetSettings:Method Exit: "));
    EXPECT_TRUE(saver.Unsaved());

    // A store that refuses one write: false, and the writes after it still happen.
    MakeKey(Base("Emulation"));
    faulty.failSetValue["MovementDelay"] = ERROR_ACCESS_DENIED;
    record_.MovementDelay(9);
    record_.DataBits(7);
    EXPECT_FALSE(saver.SetSettings());
    EXPECT_EQ(
        saver.LastSaveProblem(),
        "HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion\\Mouse\\Movement\\MovementDelay could not be "
        "saved.");
    EXPECT_EQ(Stored(Base("Ports\\LastPort"), "DataBits"), Value(REG_DWORD, Dword(7)));
    EXPECT_EQ(Stored(Base("Emulation"), "ASCIISequence"), Value(REG_DWORD, Dword(1)));

    // A file that may not be written fails every value for the one reason.
    faulty.failSetValue.clear();
    record_.Parity("Even");
    ::chmod(temp_.file.c_str(), 0444);
    EXPECT_FALSE(saver.SetSettings());
    EXPECT_EQ(
        saver.LastSaveProblem(),
        "HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion\\Mouse\\Movement\\MovementDelay and "
        "HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion\\Ports\\LastPort\\Parity could not be saved: "
        "The settings file " +
            temp_.file + " or its folder is read-only.");
    ::chmod(temp_.file.c_str(), 0644);
    EXPECT_TRUE(saver.SetSettings());
    EXPECT_EQ(saver.LastSaveProblem(), "");
    EXPECT_FALSE(saver.Unsaved());
    EXPECT_EQ(Stored(Base("Mouse\\Movement"), "MovementDelay"), Value(REG_DWORD, Dword(9)));
    EXPECT_EQ(Stored(Base("Ports\\LastPort"), "Parity"), Value(REG_SZ, Sz("Even")));
}

// A lock another program keeps fails the save after a bounded wait, once for the whole save, and
// says who holds what; the save goes through once the lock is free.
TEST_F(Settings, AHeldLockFailsTheSaveAfterTwoSeconds) {
    InstallTree();
    ASSERT_TRUE(settings_.GetSettings());
    record_.DataBits(7);
    auto held = std::make_unique<FileLock>(temp_.file + ".lock");
    const auto start = std::chrono::steady_clock::now();
    std::future<bool> saved = std::async(std::launch::async, [&] { return settings_.SetSettings(); });
    const bool ended = saved.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    held.reset();  // a save still waiting gets the lock now
    ASSERT_TRUE(ended && !saved.get()) << "the save waited for the lock, or went through";
    EXPECT_NE(settings_.LastSaveProblem().find("another program has held " + temp_.file + ".lock for more"),
              std::string::npos);
    EXPECT_TRUE(settings_.SetSettings());
}

TEST_F(Settings, RunEntryFollowsRunOnSystemStartup) {
    EXPECT_EQ(modSettings::RunCommand("/", "quillmotion"), "\"/quillmotion\"");
    InstallTree();
    ASSERT_TRUE(settings_.GetSettings());
    // Unless told otherwise, the entry names the running program.
    record_.RunOnSystemStartup(1);
    ASSERT_TRUE(settings_.SetSettings());
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").filename().string();
    EXPECT_EQ(Stored(layout::kRunKey, "Quillmotion"),
              Value(REG_SZ, Sz("\"" + ProgramFolderFile(self) + "\"")));

    // A Linux folder may hold what a command line quotes or expands.
    const std::string folder = dir_.File("Quill \"Motion\" $HOME\\x");
    std::filesystem::create_directory(folder);
    test::WriteFile(folder + "/quillmotion", "");
    settings_.ProgramLocation(folder, "quillmotion");
    record_.RunOnSystemStartup(0);  // the entry is written with its setting
    ASSERT_TRUE(settings_.SetSettings());
    record_.RunOnSystemStartup(1);
    ASSERT_TRUE(settings_.SetSettings());
    EXPECT_EQ(Stored(layout::kRunKey, "Quillmotion"), Value(REG_SZ, Sz("\"" + folder + "/quillmotion\"")));
    EXPECT_EQ(Stored(Base(), "RunOnSystemStartup"), Value(REG_DWORD, Dword(1)));
    // The entry starts that one program: quoted, with ", $ and \ escaped for the Exec line and the
    // backslash escaped again for the entry file.
    const std::string entry = temp_.autostart + "/Quillmotion.desktop";
    EXPECT_NE(test::ReadFile(entry).find("Exec=\"" +
                                         dir_.File(R"(Quill \\"Motion\\" \\$HOME\\\\x/quillmotion")") + "\n"),
              std::string::npos)
        << test::ReadFile(entry);

    // Off (and only exactly 1 is on): the value goes, and with it the entry; already gone, still a
    // clean save.
    for (const std::int16_t off : {std::int16_t{0}, std::int16_t{0}, std::int16_t{2}}) {
        record_.RunOnSystemStartup(off);
        EXPECT_TRUE(settings_.SetSettings());
        EXPECT_EQ(Stored(layout::kRunKey, "Quillmotion").code, ERROR_FILE_NOT_FOUND);
        EXPECT_FALSE(std::filesystem::exists(entry));
    }

    // An entry that cannot be written fails the save, the value saved all the same.
    std::filesystem::remove(temp_.autostart);
    test::WriteFile(temp_.autostart, "a file where the folder should be");
    record_.RunOnSystemStartup(1);
    EXPECT_FALSE(settings_.SetSettings());
    EXPECT_EQ(Stored(layout::kRunKey, "Quillmotion"), Value(REG_SZ, Sz("\"" + folder + "/quillmotion\"")));
    EXPECT_NE(settings_.LastSaveProblem().find(
                  "could not be saved: The setting was saved, but the autostart entry"),
              std::string::npos)
        << settings_.LastSaveProblem();
}

TEST_F(Settings, NarrowingAccessorsOverflowAndKeepTheOldValue) {
    record_.LEFT_SCLICK_ASCII(65);
    EXPECT_EQ(test::RaisedBy([&] { record_.LEFT_SCLICK_ASCII(40000); }).number, err::Overflow);
    EXPECT_EQ(record_.LEFT_SCLICK_ASCII(), 65);
    EXPECT_THROW(record_.ConnectOnApplicationStartup(-32769), RaisedError);
    EXPECT_NO_THROW(record_.RIGHT_DCLICK_ASCII(-32768));
}

// A tree that `quillmotion-settings init` wrote before the optional codes, acceleration and
// reconnecting existed (kept in data/): it loads with each of them off or at its default, and a
// save leaves it exactly as it was, also after a value was saved and set back to its default.
TEST_F(Settings, AnOlderTreeLoadsAtTheDefaultsAndSavesUnchanged) {
    std::filesystem::copy_file(std::filesystem::path(QM_SETTINGS_TEST_DATA) / "InitTreeBeforeMoreCodes.reg",
                               temp_.file);
    const std::string before = test::ReadFile(temp_.file);
    ASSERT_TRUE(settings_.GetSettings());
    for (const layout::Setting& setting : layout::Settings()) {
        EXPECT_TRUE(!setting.optional || layout::HoldsDefault(setting, record_)) << setting.valueName;
    }
    EXPECT_EQ(record_.Code(CodeAction::LeftLock), SettingsRecord::kNoCode);
    EXPECT_EQ(record_.ReconnectAutomatically(), 1);
    ASSERT_TRUE(settings_.SetSettings()) << settings_.LastSaveProblem();
    EXPECT_EQ(test::ReadFile(temp_.file), before);
    record_.Code(CodeAction::WheelUp, 22);
    ASSERT_TRUE(settings_.SetSettings() && test::ReadFile(temp_.file) != before);
    record_.Code(CodeAction::WheelUp, SettingsRecord::kNoCode);
    ASSERT_TRUE(settings_.SetSettings());
    EXPECT_EQ(test::ReadFile(temp_.file), before);
}

}  // namespace
}  // namespace qm
