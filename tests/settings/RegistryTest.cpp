#include <gtest/gtest.h>

#include <cstdlib>

#include "diag/RaisedError.h"
#include "settings/HiveFixture.h"
#include "settings/clsRegistry.h"
#include "settings/clsSettings.h"
#include "support/TraceCapture.h"

namespace qm {
namespace {

using test::Dword;
using test::Sz;

class Registry : public test::HiveTest {
protected:
    clsSettings Settings() {
        clsSettings settings(hive_);
        settings.RegistryHive(HKEY_LOCAL_MACHINE);
        settings.RegistryBaseKey(layout::kBaseKey);
        return settings;
    }
    test::TraceCapture trace_;
};

TEST_F(Registry, SettingFoundDefaultTakenOrMissing) {
    Put(Base("Mouse\\Movement"), "N_ASCII", REG_DWORD, Dword(7));
    Put(Base("Mouse\\Movement"), "MovementIncrementX", REG_SZ, Sz("5"));
    clsSettings settings = Settings();

    EXPECT_EQ(settings.GetRegistrySetting("Mouse\\Movement", "N_ASCII"), Variant(std::int32_t{7}));
    EXPECT_TRUE(trace_.Contains(
        "clsSettings.GetRegistrySetting:: Value found for KeyName - Mouse\\Movement\\N_ASCII = 7"));

    // A text "5" comes back as text; the caller's conversion makes it the number.
    const Variant five =
        settings.GetRegistrySetting("Mouse\\Movement", "MovementIncrementX", std::int16_t{2});
    EXPECT_EQ(five, Variant("5"));
    EXPECT_EQ(five.ToInteger(), 5);

    trace_.Clear();
    EXPECT_EQ(settings.GetRegistrySetting("Mouse\\Movement", "BouncyMouseAngle", std::int16_t{90}),
              Variant(std::int16_t{90}));
    EXPECT_EQ(trace_.Reports(), (std::vector<std::string>{
                                    "clsSettings.GetRegistrySetting:Method Entry: ",
                                    "clsRegistry.GetValue:Method Entry: ",
                                    "clsRegistry.GetValue:: Could not open Value - Error was : 2",
                                    "clsRegistry.GetValue:#Method Exit Error#: ",
                                    "clsSettings.GetRegistrySetting:: Default Value taken for KeyName - "
                                    "Mouse\\Movement\\BouncyMouseAngle",
                                    "clsSettings.GetRegistrySetting:Method Exit: ",
                                }));

    // No default: null, after the error report and without the exit report.
    trace_.Clear();
    EXPECT_TRUE(settings.GetRegistrySetting("Mouse\\Movement", "E_ASCII").IsNull());
    const auto reports = trace_.Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(
        reports.back(),
        "clsSettings.GetRegistrySetting:#Method Exit Error#: -2147220504:clsSettings.GetRegistrySetting:"
        "No Default Value specified for missing Registry Setting : Mouse\\Movement\\E_ASCII");

    // A key that is not there at all.
    trace_.Clear();
    EXPECT_EQ(settings.GetRegistrySetting("Emulation", "ASCIISequence", std::int16_t{0}),
              Variant(std::int16_t{0}));
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Could not open key - Error was : 2"));
}

TEST_F(Registry, ProbeLimitAndEmptyTexts) {
    const std::string key = Base("Ports\\LastPort");
    Put(key, "Long", REG_SZ, Sz(std::string(300, 'x')));
    Put(key, "Fits", REG_SZ, Sz(std::string(254, 'y')));  // 255 bytes with its NUL
    Put(key, "Empty", REG_SZ, Sz(""));
    Put(key, "NoNul", REG_SZ, {});
    clsSettings settings = Settings();
    clsRegistry registry(hive_);

    // 300 characters do not fit the probe: handled as absent.
    EXPECT_EQ(settings.GetRegistrySetting("Ports\\LastPort", "Long", "None"), Variant("None"));
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Could not open Value - Error was : 234"));
    EXPECT_FALSE(registry.ValueNameExists(HKEY_LOCAL_MACHINE, key, "Long"));
    EXPECT_TRUE(registry.ValueNameExists(HKEY_LOCAL_MACHINE, key, "Fits"));
    EXPECT_EQ(registry.getValue(HKEY_LOCAL_MACHINE, key, "Fits"), Variant(std::string(254, 'y')));

    // A stored empty text is a value: no default replaces it.
    trace_.Clear();
    EXPECT_EQ(settings.GetRegistrySetting("Ports\\LastPort", "Empty", "None"), Variant(""));
    EXPECT_TRUE(trace_.Contains("Value found for KeyName - Ports\\LastPort\\Empty = "));
    EXPECT_FALSE(trace_.Contains("Default Value taken"));

    // A text without even its NUL cannot be read; the error is trapped and reported.
    trace_.Clear();
    EXPECT_TRUE(registry.getValue(HKEY_LOCAL_MACHINE, key, "NoNul").IsEmpty());
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Error : 5 : Invalid procedure call or argument"));
}

TEST_F(Registry, ValueTypesReadAndWritten) {
    const std::string key = Base("Values");
    MakeKey(key);
    clsRegistry registry(hive_);

    // Binary data as text, both ways; a part that is no byte writes nothing.
    EXPECT_TRUE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Blob", "0A,ff", REG_BINARY));
    EXPECT_EQ(Stored(key, "Blob"), (SettingsTree::RegValue{REG_BINARY, {0x0A, 0xFF}}));
    trace_.Clear();
    EXPECT_EQ(registry.getValue(HKEY_LOCAL_MACHINE, key, "Blob"), Variant("0A,FF"));
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Type is REG_BINARY"));
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Value is 0A"));
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Blob", "0B,zz", REG_BINARY));
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Other", "0A,zz", REG_BINARY));
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Other", "", REG_BINARY));
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Other", "100", REG_BINARY));
    EXPECT_EQ(Stored(key, "Blob"), (SettingsTree::RegValue{REG_BINARY, {0x0A, 0xFF}}));
    EXPECT_FALSE(Stored(key, "Other"));

    // Floats round half to even on their way into a DWORD.
    EXPECT_TRUE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Half", 2.5f, REG_DWORD));
    EXPECT_EQ(Stored(key, "Half"), (SettingsTree::RegValue{REG_DWORD, Dword(2)}));
    EXPECT_TRUE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Half", 3.5f, REG_DWORD));
    EXPECT_EQ(Stored(key, "Half"), (SettingsTree::RegValue{REG_DWORD, Dword(4)}));
    EXPECT_TRUE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Negative", std::int16_t{-2}, REG_DWORD));
    EXPECT_EQ(registry.getValue(HKEY_LOCAL_MACHINE, key, "Negative"), Variant(std::int32_t{-2}));
    // Values that do not convert make the write fail.
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Bad", "fast", REG_DWORD));
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Bad", Variant::Null(), REG_SZ));
    EXPECT_FALSE(Stored(key, "Bad"));

    // Big-endian: stored most significant byte first, read back as the same number.
    EXPECT_TRUE(
        registry.setValue(HKEY_LOCAL_MACHINE, key, "Big", std::int32_t{0x01020304}, REG_DWORD_BIG_ENDIAN));
    EXPECT_EQ(Stored(key, "Big"), (SettingsTree::RegValue{REG_DWORD_BIG_ENDIAN, {1, 2, 3, 4}}));
    Put(key, "BigStored", REG_DWORD_BIG_ENDIAN, {0, 0, 1, 0x2C});
    trace_.Clear();
    EXPECT_EQ(registry.getValue(HKEY_LOCAL_MACHINE, key, "BigStored"), Variant(std::int32_t{300}));
    EXPECT_FALSE(trace_.Contains("Value is"));

    // Texts keep their NUL when stored.
    EXPECT_TRUE(registry.setValue(HKEY_LOCAL_MACHINE, key, "Port", "COM3:", REG_SZ));
    EXPECT_EQ(Stored(key, "Port"), (SettingsTree::RegValue{REG_SZ, Sz("COM3:")}));

    // Expandable texts come back expanded; the trace shows them as stored.
    ::setenv("QM_SETTINGS_TEST_FOLDER", "/opt/quill", 1);
    Put(key, "Path", REG_EXPAND_SZ, Sz("%QM_SETTINGS_TEST_FOLDER%/log"));
    trace_.Clear();
    EXPECT_EQ(registry.getValue(HKEY_LOCAL_MACHINE, key, "Path"), Variant("/opt/quill/log"));
    EXPECT_TRUE(trace_.Contains("Value is %QM_SETTINGS_TEST_FOLDER%/log"));

    // A multi-string keeps the NULs between its strings.
    Put(key, "Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    EXPECT_EQ(registry.getValue(HKEY_LOCAL_MACHINE, key, "Multi"), Variant(std::string("a\0b\0", 4)));

    EXPECT_EQ(registry.getValueNameType(HKEY_LOCAL_MACHINE, key, "Big"), REG_DWORD_BIG_ENDIAN);
    EXPECT_EQ(registry.getValueNameType(HKEY_LOCAL_MACHINE, key, "Path"), REG_EXPAND_SZ);
    EXPECT_EQ(registry.getValueNameType(HKEY_LOCAL_MACHINE, key, "Nothing"), REG_NONE);
}

TEST_F(Registry, WritesNeverCreateKeys) {
    clsSettings settings = Settings();
    EXPECT_FALSE(settings.SetRegistrySetting("Emulation", "ASCIISequence", std::int16_t{1}, REG_DWORD));
    EXPECT_FALSE(KeyExists(Base("Emulation")));
    EXPECT_FALSE(KeyExists(Base()));
    EXPECT_TRUE(trace_.Contains("clsSettings.SetRegistrySetting:Method Exit: "));
}

TEST_F(Registry, DeletingAValueThatIsNotThereSucceeds) {
    const std::string key = Base("Ports\\Devices");
    Put(key, "COM7:", REG_SZ, Sz("/dev/ttyUSB0"));
    clsSettings settings = Settings();
    EXPECT_TRUE(settings.DeleteRegistrySetting("Ports\\Devices", "COM7:"));
    EXPECT_FALSE(Stored(key, "COM7:"));
    EXPECT_TRUE(settings.DeleteRegistrySetting("Ports\\Devices", "COM7:"));
    EXPECT_TRUE(settings.DeleteRegistrySetting("No\\Such\\Key", "COM7:"));
    EXPECT_FALSE(KeyExists(Base("No")));
}

TEST_F(Registry, FieldsStandInForALeftOutRootKey) {
    clsRegistry registry(hive_);
    registry.RootKey(HKEY_LOCAL_MACHINE);
    registry.SubKey(Base("Emulation"));
    registry.ValueName("ASCIISequence");
    registry.ValueType(REG_DWORD);

    EXPECT_FALSE(registry.SubKeyExists());
    EXPECT_TRUE(registry.createKey());
    EXPECT_TRUE(registry.SubKeyExists());
    registry.Value(std::int16_t{1});
    EXPECT_EQ(registry.Value(), Variant(std::int32_t{1}));
    EXPECT_TRUE(registry.ValueNameExists());
    EXPECT_EQ(registry.getValueNameType(), REG_DWORD);
    EXPECT_EQ(registry.getValue(0, "ignored", "ignored"), Variant(std::int32_t{1}));
    EXPECT_TRUE(registry.deleteValueName());
    EXPECT_FALSE(registry.ValueNameExists());
    EXPECT_TRUE(registry.Value().IsEmpty());

    registry.SubKey(Base());
    EXPECT_FALSE(registry.deleteKey(HKEY_LOCAL_MACHINE, Base("Nothing")));
    EXPECT_TRUE(registry.deleteKey(HKEY_LOCAL_MACHINE, Base("Emulation")));
    EXPECT_FALSE(KeyExists(Base("Emulation")));
}

TEST_F(Registry, EnumerationStopsAtTheFirstValueTooLong) {
    const std::string key = Base("Enum");
    Put(key, "First", REG_DWORD, Dword(1));
    Put(key, "Second", REG_SZ, Sz("two"));
    Put(key, "Long", REG_SZ, Sz(std::string(300, 'z')));
    Put(key, "Third", REG_BINARY, {1, 2});
    MakeKey(key + "\\B");
    MakeKey(key + "\\A");
    clsRegistry registry(hive_);

    clsRegistry::ValueTable table{{"stale", Variant("x")}};
    std::int32_t size = -1;
    EXPECT_TRUE(registry.enumValues(table, size, HKEY_LOCAL_MACHINE, key));
    EXPECT_EQ(size, 2);
    EXPECT_EQ(table,
              (clsRegistry::ValueTable{{"First", Variant(std::int32_t{1})}, {"Second", Variant("two")}}));

    EXPECT_FALSE(registry.enumValues(table, size, HKEY_LOCAL_MACHINE, key + "\\Missing"));
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(table.empty());

    EXPECT_EQ(registry.enumSubKeys(HKEY_LOCAL_MACHINE, key), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(registry.enumSubKeys(HKEY_LOCAL_MACHINE, key + "\\Missing").empty());
}

TEST_F(Registry, AFailedCloseLosesTheReadAndEveryKeyIsClosed) {
    const std::string key = Base("Mouse\\Movement");
    Put(key, "N_ASCII", REG_DWORD, Dword(1));
    test::FaultyRegistry faulty(hive_);
    clsRegistry registry(faulty);

    faulty.failClose = ERROR_INVALID_HANDLE;
    EXPECT_TRUE(registry.getValue(HKEY_LOCAL_MACHINE, key, "N_ASCII").IsEmpty());
    EXPECT_TRUE(trace_.Contains("clsRegistry.GetValue:: Could not Close Key - Error was : 6"));
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "N_ASCII", std::int16_t{2}, REG_DWORD));
    EXPECT_FALSE(registry.SubKeyExists(HKEY_LOCAL_MACHINE, key));
    EXPECT_TRUE(registry.enumSubKeys(HKEY_LOCAL_MACHINE, Base("Mouse")).empty());

    // Every path out closes what it opened: failed reads, failed conversions, failed writes.
    faulty.failClose = ERROR_SUCCESS;
    registry.getValue(HKEY_LOCAL_MACHINE, key, "Missing");
    registry.setValue(HKEY_LOCAL_MACHINE, key, "Bad", "0A,zz", REG_BINARY);
    registry.setValue(HKEY_LOCAL_MACHINE, key, "Bad", "fast", REG_DWORD);
    faulty.failSetValue["N_ASCII"] = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(registry.setValue(HKEY_LOCAL_MACHINE, key, "N_ASCII", std::int16_t{3}, REG_DWORD));
    registry.deleteValueName(HKEY_LOCAL_MACHINE, key, "Missing");
    clsRegistry::ValueTable table;
    std::int32_t size = 0;
    registry.enumValues(table, size, HKEY_LOCAL_MACHINE, key);
    EXPECT_GT(faulty.opened, 0);
    EXPECT_EQ(faulty.opened, faulty.closed);
    // The write before the failed close went through; the one refused did not.
    EXPECT_EQ(Stored(key, "N_ASCII"), (SettingsTree::RegValue{REG_DWORD, Dword(2)}));
}

}  // namespace
}  // namespace qm
