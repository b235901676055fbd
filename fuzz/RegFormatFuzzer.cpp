// The hive file's text format. Any text either is refused with a line and a reason, or reads
// as a tree that writes out as a file which reads back as the very same tree and writes out as
// the very same text. The tree read is the one the registry functions would build from the same
// keys and values: names unique without regard to case, subkeys in name order.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "settings/hive/RegFormat.h"

namespace {

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE";

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// The tree put together again one key and one value at a time, subkeys in reverse order: equal
// to the original only when that already held its keys the way SubKey keeps them.
qm::HiveKey Rebuilt(const qm::HiveKey& key) {
    qm::HiveKey copy(key.Name());
    for (const qm::HiveValue& value : key.Values()) {
        copy.SetValue(value.name, value.type, value.data);
    }
    for (auto sub = key.SubKeys().rbegin(); sub != key.SubKeys().rend(); ++sub) {
        copy.SubKey(sub->Name()) = Rebuilt(*sub);
    }
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    qm::RegFormatError error;
    const std::optional<qm::HiveKey> tree = qm::RegFormat::Read(text, kRoot, error);
    if (!tree) {
        if (error.line == 0 || error.reason.empty()) {
            Broken("a refusal names its line and reason", error.reason);
        }
        return 0;
    }
    if (!(Rebuilt(*tree) == *tree)) {
        Broken("the tree read is the tree the registry functions build", text);
    }
    const std::string written = qm::RegFormat::Write(*tree, kRoot);
    qm::RegFormatError again;
    const std::optional<qm::HiveKey> reread = qm::RegFormat::Read(written, kRoot, again);
    if (!reread) {
        Broken("what was written reads back",
               "line " + std::to_string(again.line) + ": " + again.reason + "\n--- written:\n" + written);
    }
    if (!(*reread == *tree)) {
        Broken("the tree read back is the tree written", written);
    }
    if (qm::RegFormat::Write(*reread, kRoot) != written) {
        Broken("writing is stable", written);
    }
    return 0;
}
