#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"
#include "settings/hive/HiveFile.h"

namespace qm {

// The registry functions over hive files in the REGEDIT4 text format, with the result codes
// Windows gives.
//
// Storage: HKEY_LOCAL_MACHINE lives in the file given to the constructor; HKEY_CURRENT_USER,
// HKEY_CLASSES_ROOT, HKEY_USERS and HKEY_CURRENT_CONFIG live beside it in files named
// "<ROOT NAME>.reg" (HKEY_CURRENT_USER.reg, ...). Other predefined handles are invalid (6).
// Every call reads the file again if it changed on disk; every change is saved at once,
// atomically and under an advisory lock (a ".lock" file beside the hive), or, inside a batch,
// together with the batch's other changes at its end. A missing file is an empty hive.
//
// Failures of the store itself:
// - ERROR_BADDB (1009): the file does not parse, or is larger than 16 MB. Every call that reaches that hive
// returns it
//   (opening and creating keys included), and the file is never written until it is mended
//   or removed.
// - ERROR_CANTREAD (1012): the file cannot be read (permissions, not a regular file).
// - ERROR_ACCESS_DENIED (5): the file or its folder is read-only; ERROR_CANTWRITE (1013): the
//   write failed otherwise (disk full, or the file would grow past 16 MB). Nothing changes
//   then, on disk or in memory.
// LastError() tells which file and why, line included.
//
// Differences from Windows: subkeys enumerate in the order they were created (Windows sorts
// them); names may not hold control characters other than tab (87); keys nest at most
// kMaxKeyDepth (512) levels below their root (87 for a deeper one); a handle to a key that
// was deleted works again if a key of the same name is created; volatile keys are kept like
// the others.
//
// For use on one thread.
class FileHiveRegistry : public RegistryApi {
public:
    explicit FileHiveRegistry(std::string localMachineFile);
    ~FileHiveRegistry() override;

    // $QUILLMOTION_HIVE when set, else $XDG_CONFIG_HOME/quillmotion/HKEY_LOCAL_MACHINE.reg
    // (~/.config when XDG_CONFIG_HOME is not set).
    static std::string DefaultLocalMachineFile();

    // The file that holds a root's hive, or "" for a handle that is no root kept here.
    std::string HiveFilePath(HKEY root) const;

    std::string LastError() const override { return lastError_; }

    LONG RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, REGSAM desired,
                       HKEY* result) override;
    LONG RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type, unsigned char* data,
                          DWORD* dataSize) override;
    LONG RegSetValueExA(HKEY key, const std::string& valueName, DWORD type, const unsigned char* data,
                        DWORD dataSize) override;
    LONG RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string& keyClass, DWORD options,
                         REGSAM desired, HKEY* result, DWORD* disposition) override;
    LONG RegDeleteKeyA(HKEY key, const std::string& subKey) override;
    LONG RegDeleteValueA(HKEY key, const std::string& valueName) override;
    LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) override;
    LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, unsigned char* data,
                       DWORD* dataSize) override;
    LONG RegCloseKey(HKEY key) override;
    DWORD ExpandEnvironmentStringsA(const std::string& source, char* destination, DWORD size) override;

    // A batch gathers each hive's changes and replaces its file once at the end (see HiveFile).
    void BeginBatch() override;
    std::size_t HeldChanges() const override { return held_; }
    std::vector<UnsavedChange> EndBatch() override;

private:
    // What a handle stands for: a key path under a root, and the access it was opened with.
    struct OpenKey {
        HKEY root = 0;
        std::vector<std::string> path;
        REGSAM access = 0;
    };

    LONG Lookup(HKEY key, REGSAM needed, OpenKey& open) const;
    HiveFile& Hive(HKEY root);
    // Looks the handle up, brings its hive up to date and finds its key (ERROR_KEY_DELETED
    // when the key is gone).
    LONG Reach(HKEY key, REGSAM needed, OpenKey& open, const HiveKey*& found);
    LONG StartAt(HKEY key, const std::string& subKey, HKEY* result, OpenKey& open, const HiveKey*& base,
                 std::string& name);
    LONG Change(const OpenKey& open, const HiveFile::Change& change);
    LONG Note(LONG result, const HiveFile& hive);
    HKEY NewHandle(OpenKey open);

    std::string localMachineFile_;
    std::map<HKEY, std::unique_ptr<HiveFile>> hives_;
    std::map<HKEY, OpenKey> handles_;
    HKEY nextHandle_ = 0x100;
    std::string lastError_;

    bool batch_ = false;
    std::size_t held_ = 0;
    std::map<HKEY, std::vector<std::size_t>> heldBy_;  // each hive's waiting changes
};

}  // namespace qm
