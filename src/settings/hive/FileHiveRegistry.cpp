#include "settings/hive/FileHiveRegistry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "settings/hive/EnvironmentStrings.h"
#include "settings/hive/XdgConfigHome.h"

namespace qm {

namespace {

struct Root {
    HKEY handle;
    const char* name;
};

constexpr Root kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_USERS, "HKEY_USERS"},
    {0x80000005u, "HKEY_CURRENT_CONFIG"},
};

// The range Windows reserves for predefined handles; closing one of them always succeeds.
constexpr HKEY kPredefinedFirst = 0x80000000u;
constexpr HKEY kPredefinedLast = 0x8000000Fu;

constexpr REGSAM kGenericRead = 0x80000000u;
constexpr REGSAM kGenericWrite = 0x40000000u;
constexpr REGSAM kGenericExecute = 0x20000000u;
constexpr REGSAM kGenericAll = 0x10000000u;
constexpr REGSAM kMaximumAllowed = 0x02000000u;

const Root* FindRoot(HKEY handle) {
    for (const Root& root : kRoots) {
        if (root.handle == handle) {
            return &root;
        }
    }
    return nullptr;
}

// The A functions take C strings: a name ends at its first NUL.
std::string CText(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// What the text file can hold in a name.
bool ValidName(const std::string& name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            return false;
        }
    }
    return true;
}

// The generic rights stand for the key rights they map to on Windows.
REGSAM KeyRights(REGSAM desired) {
    REGSAM rights = desired & KEY_ALL_ACCESS;
    if (desired & (kGenericRead | kGenericExecute)) {
        rights |= KEY_READ;
    }
    if (desired & kGenericWrite) {
        rights |= KEY_WRITE;
    }
    if (desired & (kGenericAll | kMaximumAllowed)) {
        rights |= KEY_ALL_ACCESS;
    }
    return rights;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A value's type and data into the caller's buffers, the Win32 way: no buffer asks only for
// the size; a small one gives ERROR_MORE_DATA and the size needed. As on Windows, a text
// stored without its NUL gets one in the buffer when there is room, not counted in the size.
LONG CopyData(const HiveValue& value, DWORD* type, unsigned char* data, DWORD* dataSize) {
    if (type != nullptr) {
        *type = value.type;
    }
    const auto size = static_cast<DWORD>(value.data.size());
    if (data != nullptr) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::copy(value.data.begin(), value.data.end(), data);
        if (IsStringType(value.type) && (size == 0 || data[size - 1] != 0) && *dataSize > size) {
            data[size] = 0;
        }
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return ERROR_SUCCESS;
}

// A name into the caller's buffer of *nameSize characters, its NUL included.
LONG CopyName(const std::string& source, char* name, DWORD* nameSize) {
    if (source.size() + 1 > *nameSize) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, source.c_str(), source.size() + 1);
    *nameSize = static_cast<DWORD>(source.size());
    return ERROR_SUCCESS;
}

}  // namespace

FileHiveRegistry::FileHiveRegistry(std::string localMachineFile)
    : localMachineFile_(std::move(localMachineFile)) {}

FileHiveRegistry::~FileHiveRegistry() {
    if (batch_) {
        EndBatch();
    }
}

std::string FileHiveRegistry::DefaultLocalMachineFile() {
    const char* hive = std::getenv("QUILLMOTION_HIVE");
    if (hive != nullptr && hive[0] != '\0') {
        return hive;
    }
    return XdgConfigHome() + "/quillmotion/HKEY_LOCAL_MACHINE.reg";
}

std::string FileHiveRegistry::HiveFilePath(HKEY root) const {
    const Root* known = FindRoot(root);
    if (known == nullptr) {
        return {};
    }
    if (root == HKEY_LOCAL_MACHINE) {
        return localMachineFile_;
    }
    return (std::filesystem::path(localMachineFile_).parent_path() / (std::string(known->name) + ".reg"))
        .string();
}

HiveFile& FileHiveRegistry::Hive(HKEY root) {
    std::unique_ptr<HiveFile>& hive = hives_[root];
    if (!hive) {
        hive = std::make_unique<HiveFile>(HiveFilePath(root), FindRoot(root)->name);
        if (batch_) {
            hive->BeginBatch();
        }
    }
    return *hive;
}

LONG FileHiveRegistry::Lookup(HKEY key, REGSAM needed, OpenKey& open) const {
    if (FindRoot(key) != nullptr) {
        open = OpenKey{key, {}, KEY_ALL_ACCESS};
    } else {
        auto it = handles_.find(key);
        if (it == handles_.end()) {
            return ERROR_INVALID_HANDLE;
        }
        open = it->second;
    }
    return (open.access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG FileHiveRegistry::Note(LONG result, const HiveFile& hive) {
    lastError_ = hive.Problem();
    return result;
}

LONG FileHiveRegistry::Reach(HKEY key, REGSAM needed, OpenKey& open, const HiveKey*& found) {
    LONG result = Lookup(key, needed, open);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    HiveFile& hive = Hive(open.root);
    result = Note(hive.Refresh(), hive);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    found = hive.Root().Find(open.path);
    return found != nullptr ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG FileHiveRegistry::Change(const OpenKey& open, const HiveFile::Change& change) {
    HiveFile& hive = Hive(open.root);
    const std::size_t before = hive.HeldChanges();
    const LONG result = Note(hive.Modify(change), hive);
    if (hive.HeldChanges() != before) {
        heldBy_[open.root].push_back(held_++);
    }
    return result;
}

void FileHiveRegistry::BeginBatch() {
    if (batch_) {
        return;
    }
    batch_ = true;
    held_ = 0;
    for (auto& [root, hive] : hives_) {
        hive->BeginBatch();
    }
}

std::vector<RegistryApi::UnsavedChange> FileHiveRegistry::EndBatch() {
    std::vector<UnsavedChange> unsaved;
    if (!batch_) {
        return unsaved;
    }
    batch_ = false;
    for (auto& [root, hive] : hives_) {
        const LONG code = hive->EndBatch();
        if (code != ERROR_SUCCESS) {
            for (const std::size_t index : heldBy_[root]) {
                unsaved.push_back({index, code, hive->Problem()});
            }
        }
    }
    heldBy_.clear();
    held_ = 0;
    std::sort(unsaved.begin(), unsaved.end(),
              [](const UnsavedChange& a, const UnsavedChange& b) { return a.index < b.index; });
    if (!unsaved.empty()) {
        lastError_ = unsaved.front().reason;
    }
    return unsaved;
}

HKEY FileHiveRegistry::NewHandle(OpenKey open) {
    open.access = KeyRights(open.access);
    do {
        nextHandle_ = nextHandle_ + 4 < kPredefinedFirst ? nextHandle_ + 4 : 0x100;
    } while (handles_.count(nextHandle_) != 0);
    handles_.emplace(nextHandle_, std::move(open));
    return nextHandle_;
}

// What opening and creating a key share: the result cleared, the key reached and the subkey
// path checked (a leading backslash is refused, as Windows does).
LONG FileHiveRegistry::StartAt(HKEY key, const std::string& subKey, HKEY* result, OpenKey& open,
                               const HiveKey*& base, std::string& name) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = 0;
    const LONG code = Reach(key, 0, open, base);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    name = CText(subKey);
    if (!name.empty() && name[0] == '\\') {
        return ERROR_BAD_PATHNAME;
    }
    return ERROR_SUCCESS;
}

LONG FileHiveRegistry::RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD /*options*/, REGSAM desired,
                                     HKEY* result) {
    OpenKey open;
    const HiveKey* base = nullptr;
    std::string name;
    LONG code = StartAt(key, subKey, result, open, base, name);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    if (name.empty() && FindRoot(key) != nullptr) {
        *result = key;  // a predefined key opens as itself
        return ERROR_SUCCESS;
    }
    const std::vector<std::string> parts = SplitKeyPath(name);
    if (base->Find(parts) == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    open.path.insert(open.path.end(), parts.begin(), parts.end());
    open.access = desired;
    *result = NewHandle(std::move(open));
    return ERROR_SUCCESS;
}

LONG FileHiveRegistry::RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string& /*keyClass*/,
                                       DWORD /*options*/, REGSAM desired, HKEY* result, DWORD* disposition) {
    OpenKey open;
    const HiveKey* base = nullptr;
    std::string name;
    LONG code = StartAt(key, subKey, result, open, base, name);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    const std::vector<std::string> parts = SplitKeyPath(name);
    for (const std::string& part : parts) {
        if (!ValidName(part)) {
            return ERROR_INVALID_PARAMETER;
        }
    }
    if (open.path.size() + parts.size() > kMaxKeyDepth) {
        return ERROR_INVALID_PARAMETER;  // a file holding it could not be read back
    }
    bool created = false;
    if (base->Find(parts) == nullptr) {
        code = Change(open, [&](HiveKey& root, bool& changed) {
            HiveKey* at = root.Find(open.path);
            if (at == nullptr) {
                return ERROR_KEY_DELETED;
            }
            for (const std::string& part : parts) {
                bool made = false;
                at = &at->SubKey(part, &made);
                changed = changed || made;
            }
            created = changed;
            return ERROR_SUCCESS;
        });
        if (code != ERROR_SUCCESS) {
            return code;
        }
    }
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    open.path.insert(open.path.end(), parts.begin(), parts.end());
    open.access = desired;
    *result = NewHandle(std::move(open));
    return ERROR_SUCCESS;
}

LONG FileHiveRegistry::RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type,
                                        unsigned char* data, DWORD* dataSize) {
    if (data != nullptr && dataSize == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    OpenKey open;
    const HiveKey* found = nullptr;
    LONG code = Reach(key, KEY_QUERY_VALUE, open, found);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    const HiveValue* value = found->FindValue(CText(valueName));
    if (value == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    return CopyData(*value, type, data, dataSize);
}

LONG FileHiveRegistry::RegSetValueExA(HKEY key, const std::string& valueName, DWORD type,
                                      const unsigned char* data, DWORD dataSize) {
    OpenKey open;
    LONG code = Lookup(key, KEY_SET_VALUE, open);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    if (data == nullptr && dataSize != 0) {
        return ERROR_NOACCESS;
    }
    const std::string name = CText(valueName);
    if (!ValidName(name)) {
        return ERROR_INVALID_PARAMETER;
    }
    HiveValue value{
        name, type,
        data == nullptr ? std::vector<unsigned char>() : std::vector<unsigned char>(data, data + dataSize)};
    // As Windows NT: a text written without its NUL is stored with one (Windows counts the NUL
    // that follows the data in the caller's memory, which every C string has).
    if (IsStringType(type) && !value.data.empty() && value.data.back() != 0) {
        value.data.push_back(0);
    }
    return Change(open, [&](HiveKey& root, bool& changed) {
        HiveKey* at = root.Find(open.path);
        if (at == nullptr) {
            return ERROR_KEY_DELETED;
        }
        at->SetValue(value.name, value.type, value.data);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG FileHiveRegistry::RegDeleteValueA(HKEY key, const std::string& valueName) {
    OpenKey open;
    LONG code = Lookup(key, KEY_SET_VALUE, open);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    const std::string name = CText(valueName);
    return Change(open, [&](HiveKey& root, bool& changed) {
        HiveKey* at = root.Find(open.path);
        if (at == nullptr) {
            return ERROR_KEY_DELETED;
        }
        changed = at->RemoveValue(name);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG FileHiveRegistry::RegDeleteKeyA(HKEY key, const std::string& subKey) {
    OpenKey open;
    const HiveKey* base = nullptr;
    LONG code = Reach(key, 0, open, base);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    const std::string name = CText(subKey);
    if (!name.empty() && name[0] == '\\') {
        return ERROR_BAD_PATHNAME;
    }
    OpenKey target = open;
    for (std::string& part : SplitKeyPath(name)) {
        target.path.push_back(std::move(part));
    }
    if (target.path.empty()) {
        return ERROR_ACCESS_DENIED;  // a root key cannot go
    }
    return Change(open, [&](HiveKey& root, bool& changed) {
        if (root.Find(open.path) == nullptr) {
            return ERROR_KEY_DELETED;
        }
        const HiveKey* doomed = root.Find(target.path);
        if (doomed == nullptr) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (!doomed->SubKeys().empty()) {
            return ERROR_ACCESS_DENIED;  // as Windows NT: only a key without subkeys
        }
        const std::vector<std::string> parentPath(target.path.begin(), target.path.end() - 1);
        changed = root.Find(parentPath)->RemoveSubKey(target.path.back());
        return ERROR_SUCCESS;
    });
}

LONG FileHiveRegistry::RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) {
    if (name == nullptr || nameSize == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    OpenKey open;
    const HiveKey* found = nullptr;
    LONG code = Reach(key, KEY_ENUMERATE_SUB_KEYS, open, found);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    if (index >= found->SubKeys().size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    return CopyName(found->SubKeys()[index].Name(), name, nameSize);
}

LONG FileHiveRegistry::RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type,
                                     unsigned char* data, DWORD* dataSize) {
    if (name == nullptr || nameSize == nullptr || (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    OpenKey open;
    const HiveKey* found = nullptr;
    LONG code = Reach(key, KEY_QUERY_VALUE, open, found);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    if (index >= found->Values().size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const HiveValue& value = found->Values()[index];
    code = CopyName(value.name, name, nameSize);
    return code != ERROR_SUCCESS ? code : CopyData(value, type, data, dataSize);
}

LONG FileHiveRegistry::RegCloseKey(HKEY key) {
    if (key >= kPredefinedFirst && key <= kPredefinedLast) {
        return ERROR_SUCCESS;
    }
    return handles_.erase(key) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

DWORD FileHiveRegistry::ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) {
    const std::string expanded = ExpandEnvironmentText(CText(source));
    const auto needed = static_cast<DWORD>(expanded.size() + 1);
    if (destination != nullptr && size >= needed) {
        std::memcpy(destination, expanded.c_str(), needed);
    }
    return needed;
}

}  // namespace qm
