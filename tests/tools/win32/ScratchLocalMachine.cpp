#include "ScratchLocalMachine.h"

// <windows.h> first: the other system headers take their types from it.
#include <windows.h>

#include <process.h>
#include <sddl.h>

namespace qm::test {
namespace {

constexpr const char* kScratchRoot = "Software\\QuillmotionTest";

// Sets a key's access list, given in the security descriptor language; the owner may always do
// that, whatever the list says.
bool SetAccess(HKEY root, const std::string& key, const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return false;
    }
    HKEY opened = nullptr;
    LONG result = ::RegOpenKeyExA(root, key.c_str(), 0, WRITE_DAC, &opened);
    if (result == ERROR_SUCCESS) {
        result = ::RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, descriptor);
        ::RegCloseKey(opened);
    }
    ::LocalFree(descriptor);
    return result == ERROR_SUCCESS;
}

}  // namespace

ScratchLocalMachine::ScratchLocalMachine()
    : path_(std::string(kScratchRoot) + "\\LocalMachine" + std::to_string(::_getpid())) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());  // left by a run that was killed
    HKEY scratch = nullptr;
    LONG result = ::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &scratch, nullptr);
    if (result == ERROR_SUCCESS) {
        result = ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch);
        ::RegCloseKey(scratch);
    }
    if (result != ERROR_SUCCESS) {
        problem_ = "no scratch HKEY_LOCAL_MACHINE: error " + std::to_string(result);
    }
}

ScratchLocalMachine::~ScratchLocalMachine() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    for (const std::string& key : locked_) {
        SetAccess(HKEY_CURRENT_USER, path_ + "\\" + key, "D:(A;;KA;;;WD)");
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchRoot);  // refused while another run has a key there
}

bool ScratchLocalMachine::DenyChanges(const std::string& key) {
    if (!SetAccess(HKEY_LOCAL_MACHINE, key, "D:P(A;;KR;;;WD)")) {
        return false;
    }
    locked_.push_back(key);
    return true;
}

}  // namespace qm::test
