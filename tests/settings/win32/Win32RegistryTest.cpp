#include "settings/win32/Win32Registry.h"

#include <gtest/gtest.h>
#include <process.h>

#include <cstdlib>

#include "diag/ProgramFolder.h"
#include "settings/SettingsLayout.h"
#include "settings/clsRegistry.h"
#include "settings/conformance/RegistryConformance.h"
#include "settings/modSettings.h"

namespace qm::test {
namespace {

constexpr const char* kTestRoot = "Software\\QuillmotionTest";

// Under Wine, the throwaway prefix's registry; each process owns a scratch key of its own.
struct Win32Backend {
    RegistryApi& Registry() { return registry; }
    static HKEY Root() { return HKEY_CURRENT_USER; }
    std::string ScratchKey() const {
        return std::string(kTestRoot) + "\\Conformance" + std::to_string(::_getpid());
    }
    static void SetEnvironment(const std::string& name, const std::string& value) {
        ::_putenv_s(name.c_str(), value.c_str());
    }

    Win32Registry registry;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryConformance, Win32Backend);

class TestRootCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        Win32Registry registry;
        registry.RegDeleteKeyA(HKEY_CURRENT_USER, kTestRoot);  // refused while another run has a scratch key
    }
};
[[maybe_unused]] ::testing::Environment* const kCleanup =
    ::testing::AddGlobalTestEnvironment(new TestRootCleanup);

TEST(Win32Registry, HandlesAreItsOwnAndRootsPassThrough) {
    Win32Registry registry;
    HKEY software = 0;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    EXPECT_GE(software, 0x100u);
    EXPECT_LT(software, 0x80000000u) << "never in the range of the predefined roots";
    EXPECT_EQ(registry.RegCloseKey(software), ERROR_SUCCESS);
    EXPECT_EQ(registry.OpenKeys(), 0u);
    HKEY key = 7;
    EXPECT_EQ(registry.RegOpenKeyExA(0x4242, "Software", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "a root stays usable after it was closed";
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);
}

// The settings module on the real registry, and the Run value that starts the program at log-on.
// (How the Run value is stored, type and NUL: Settings.RunEntryFollowsRunOnSystemStartup.)
TEST(Win32Registry, SettingsSaveLoadAndKeepTheRunValueInStep) {
    Win32Registry registry;
    clsRegistry keys(registry);
    if (keys.SubKeyExists(HKEY_LOCAL_MACHINE, "Software\\Tallowmer")) {
        GTEST_SKIP() << "this registry holds a Quillmotion installation; it is left alone";
    }
    const std::string base = layout::kBaseKey;  // ends in a backslash
    const std::vector<std::string> tree = {
        base + "Version",   base + "Mouse\\Movement",        base + "Mouse\\Buttons",
        base + "Mouse",     base + "Ports\\LastPort",        base + "Ports",
        base + "Emulation", base.substr(0, base.size() - 1), "Software\\Tallowmer"};
    for (const std::string& path : tree) {
        ASSERT_TRUE(keys.createKey(HKEY_LOCAL_MACHINE, path)) << path;
    }
    const auto runValue = [&keys] {
        return keys.getValue(HKEY_LOCAL_MACHINE, layout::kRunKey, layout::kProductName);
    };

    SettingsRecord saved;
    saved.N_ASCII(49);
    saved.RIGHT_DCLICK_ASCII(100);
    saved.MovementDelay(2.5f);
    saved.PortName("COM12:");
    saved.RunOnSystemStartup(1);
    ASSERT_TRUE(modSettings(saved, registry).SetSettings());
    EXPECT_EQ(runValue(), Variant("\"" + ProgramFolder() + "\\Quillmotion.exe\""));

    SettingsRecord loaded;
    ASSERT_TRUE(modSettings(loaded, registry).GetSettings());
    EXPECT_EQ(loaded.N_ASCII(), 49);
    EXPECT_EQ(loaded.RIGHT_DCLICK_ASCII(), 100);
    EXPECT_EQ(loaded.MovementDelay(), 2.0f) << "saved as a whole number, half to even";
    EXPECT_EQ(loaded.PortName(), "COM12:");
    loaded.RunOnSystemStartup(0);
    ASSERT_TRUE(modSettings(loaded, registry).SetSettings());
    EXPECT_TRUE(runValue().IsEmpty()) << "the Run value goes with the option";

    keys.deleteValueName(HKEY_LOCAL_MACHINE, layout::kRunKey, layout::kProductName);
    for (const std::string& path : tree) {
        keys.deleteKey(HKEY_LOCAL_MACHINE, path);
    }
}

}  // namespace
}  // namespace qm::test
