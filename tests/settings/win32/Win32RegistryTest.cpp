#include "settings/win32/Win32Registry.h"

#include <gtest/gtest.h>
#include <process.h>

#include <cstdlib>

#include "diag/ProgramFolder.h"
#include "settings/SettingsLayout.h"
#include "settings/conformance/RegistryConformance.h"
#include "settings/modSettings.h"

namespace qm::test {
namespace {

constexpr const char* kTestRoot = "Software\\QuillmotionTest";

// The Windows registry; under Wine, the throwaway prefix's. Each process works in a scratch
// key of its own under HKEY_CURRENT_USER\Software\QuillmotionTest.
struct Win32Backend {
    RegistryApi& Registry() { return registry; }
    static HKEY Root() { return HKEY_CURRENT_USER; }
    std::string ScratchKey() const {
        return std::string(kTestRoot) + "\\Conformance" + std::to_string(::_getpid());
    }
    static void SetEnvironment(const std::string& name, const std::string& value) {
        ::_putenv_s(name.c_str(), value.c_str());  // the process environment the system expands from
    }

    Win32Registry registry;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryConformance, Win32Backend);

// Removes the shared test key once no run uses it any more.
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
    HKEY again = 0;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, KEY_READ, &again), ERROR_SUCCESS);
    EXPECT_NE(software, again);
    for (HKEY handle : {software, again}) {
        EXPECT_GE(handle, 0x100u);
        EXPECT_LT(handle, 0x80000000u) << "never in the range of the predefined roots";
    }
    EXPECT_EQ(registry.OpenKeys(), 2u);

    // A key opened through one of ours reaches the same place as one opened from the root.
    HKEY viaHandle = 0;
    ASSERT_EQ(registry.RegOpenKeyExA(software, "Microsoft", 0, KEY_READ, &viaHandle), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(viaHandle), ERROR_SUCCESS);

    EXPECT_EQ(registry.RegCloseKey(software), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(again), ERROR_SUCCESS);
    EXPECT_EQ(registry.OpenKeys(), 0u);

    // Handles the system never gave us are refused before they reach it.
    HKEY key = 7;
    EXPECT_EQ(registry.RegOpenKeyExA(0x4242, "Software", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(registry.RegCloseKey(0x4242), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "a root stays usable after it was closed";
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);
}

// The settings module on the real registry: the tree it reads, the values it writes, and the
// Run value that starts the program at log-on.
class SettingsOnTheRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        HKEY key = 0;
        if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tallowmer", 0, KEY_READ, &key) ==
            ERROR_SUCCESS) {
            registry.RegCloseKey(key);
            GTEST_SKIP() << "this registry holds a Quillmotion installation; it is left alone";
        }
        for (const char* path :
             {"", "Version", "Mouse\\Movement", "Mouse\\Buttons", "Ports\\LastPort", "Emulation"}) {
            ASSERT_EQ(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, std::string(layout::kBaseKey) + path, "",
                                               REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key, nullptr),
                      ERROR_SUCCESS);
            registry.RegCloseKey(key);
        }
        created = true;
    }

    void TearDown() override {
        if (!created) {
            return;
        }
        HKEY run = 0;
        if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, layout::kRunKey, 0, KEY_ALL_ACCESS, &run) ==
            ERROR_SUCCESS) {
            registry.RegDeleteValueA(run, layout::kProductName);
            registry.RegCloseKey(run);
        }
        for (const char* path :
             {"Software\\Tallowmer\\Quillmotion\\Version",
              "Software\\Tallowmer\\Quillmotion\\Mouse\\Movement",
              "Software\\Tallowmer\\Quillmotion\\Mouse\\Buttons", "Software\\Tallowmer\\Quillmotion\\Mouse",
              "Software\\Tallowmer\\Quillmotion\\Ports\\LastPort", "Software\\Tallowmer\\Quillmotion\\Ports",
              "Software\\Tallowmer\\Quillmotion\\Emulation", "Software\\Tallowmer\\Quillmotion",
              "Software\\Tallowmer"}) {
            registry.RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
        }
    }

    Queried RunValue() {
        Queried q;
        HKEY run = 0;
        q.code = registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, layout::kRunKey, 0, KEY_READ, &run);
        if (q.code != ERROR_SUCCESS) {
            return q;
        }
        unsigned char data[512] = {};
        q.size = sizeof data;
        q.code = registry.RegQueryValueExA(run, layout::kProductName, &q.type, data, &q.size);
        if (q.code == ERROR_SUCCESS) {
            q.data.assign(reinterpret_cast<char*>(data), q.size);
        }
        registry.RegCloseKey(run);
        return q;
    }

    Win32Registry registry;
    bool created = false;
};

TEST_F(SettingsOnTheRegistry, SavesLoadsAndKeepsTheRunValueInStep) {
    SettingsRecord saved;
    saved.N_ASCII(49);
    saved.E_ASCII(50);
    saved.S_ASCII(51);
    saved.W_ASCII(52);
    saved.NE_ASCII(53);
    saved.NW_ASCII(54);
    saved.SE_ASCII(55);
    saved.SW_ASCII(56);
    saved.STOP_ASCII(48);
    saved.LEFT_SCLICK_ASCII(97);
    saved.LEFT_DCLICK_ASCII(98);
    saved.RIGHT_SCLICK_ASCII(99);
    saved.RIGHT_DCLICK_ASCII(100);
    saved.MovementDelay(2.5f);
    saved.PortName("COM12:");
    saved.BaudRate(9600);
    saved.RunOnSystemStartup(1);
    {
        modSettings settings(saved, registry);
        ASSERT_TRUE(settings.SetSettings());
    }

    // The Run value starts this very program, quoted because the folder may hold blanks.
    const Queried run = RunValue();
    ASSERT_EQ(run.code, ERROR_SUCCESS);
    EXPECT_EQ(run.type, REG_SZ);
    const std::string command = "\"" + ProgramFolder() + "\\Quillmotion.exe\"";
    EXPECT_EQ(run.data, command + '\0');
    EXPECT_EQ(modSettings::RunCommand("C:\\Program Files\\Quillmotion\\", "Quillmotion.exe"),
              "\"C:\\Program Files\\Quillmotion\\Quillmotion.exe\"");

    SettingsRecord loaded;
    {
        modSettings settings(loaded, registry);
        ASSERT_TRUE(settings.GetSettings());
    }
    EXPECT_EQ(loaded.N_ASCII(), 49);
    EXPECT_EQ(loaded.STOP_ASCII(), 48);
    EXPECT_EQ(loaded.RIGHT_DCLICK_ASCII(), 100);
    EXPECT_EQ(loaded.MovementDelay(), 2.0f) << "saved as a whole number, half to even";
    EXPECT_EQ(loaded.PortName(), "COM12:");
    EXPECT_EQ(loaded.BaudRate(), 9600);
    EXPECT_EQ(loaded.RunOnSystemStartup(), 1);

    loaded.RunOnSystemStartup(0);
    {
        modSettings settings(loaded, registry);
        ASSERT_TRUE(settings.SetSettings());
    }
    EXPECT_EQ(RunValue().code, ERROR_FILE_NOT_FOUND) << "the Run value goes with the option";
}

}  // namespace
}  // namespace qm::test
