#include <cstdlib>

#include "settings/conformance/RegistryConformance.h"
#include "settings/hive/FileHiveRegistry.h"
#include "support/TempDir.h"

namespace qm::test {
namespace {

// The file hive in a folder of its own; the scratch key goes to its HKEY_CURRENT_USER file.
struct FileHiveBackend {
    FileHiveBackend() : registry(dir.File("HKEY_LOCAL_MACHINE.reg")) {}

    RegistryApi& Registry() { return registry; }
    static HKEY Root() { return HKEY_CURRENT_USER; }
    std::string ScratchKey() const { return "Software\\QuillmotionTest\\Conformance"; }
    static void SetEnvironment(const std::string& name, const std::string& value) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    TempDir dir;
    FileHiveRegistry registry;
};

INSTANTIATE_TYPED_TEST_SUITE_P(FileHive, RegistryConformance, FileHiveBackend);

}  // namespace
}  // namespace qm::test
