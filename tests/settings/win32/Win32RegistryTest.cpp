#include "settings/win32/Win32Registry.h"

#include <gtest/gtest.h>
#include <process.h>

#include <cstdlib>

#include "settings/clsRegistry.h"
#include "settings/conformance/RegistryConformance.h"

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

}  // namespace
}  // namespace qm::test
