// The hive file when the disk fills up, and while other programs write and edit it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "HiveTestSupport.h"
#include "settings/hive/FileLock.h"
#include "settings/hive/RegFormat.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::Dword;

// Runs body in a child process and gives its exit status: 0 when it went well, otherwise the
// number of the check that failed (or 128 + the signal that ended it).
int InChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        int status = 99;
        try {
            status = body();
        } catch (...) {
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool WriteText(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && written;
}

// Mounts a private 64 KB file system on folder, seen by this process alone. Without the
// privilege to mount, a user namespace of its own gives it. False when neither can be had.
bool MountTinyFileSystem(const std::string& folder) {
    if (::unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !WriteText("/proc/self/setgroups", "deny") ||
            !WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            return false;
        }
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
}

// Fills the file system that holds path up to the last byte.
void FillUp(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, "x", 1) > 0) {
    }
    ::close(fd);
}

bool HasLeftovers(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().find(".tmp-") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The checks of a save that the disk cannot take: the call fails and says why, the file holds
// exactly what it held, no temporary is left, and the tree in memory did not take the change.
int SaveThatCannotBeWritten(const std::string& file, const std::string& reason) {
    FileHiveRegistry reg(file, "");
    HKEY key = 0;
    if (reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quill", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return 10;
    }
    const std::string before = test::ReadFile(file);
    if (test::SetValue(reg, key, "New", REG_BINARY, std::vector<unsigned char>(16384, 0x5A)) !=
        ERROR_CANTWRITE) {
        return 11;
    }
    if (reg.LastError().find(reason) == std::string::npos) {
        return 12;
    }
    if (test::ReadFile(file) != before) {
        return 13;
    }
    if (HasLeftovers(fs::path(file).parent_path())) {
        return 14;
    }
    if (test::QueryValue(reg, key, "New").code != ERROR_FILE_NOT_FOUND ||
        test::QueryValue(reg, key, "Old").data != std::vector<unsigned char>(1000, 0x11)) {
        return 15;
    }
    return 0;
}

void WriteOldHive(const std::string& file) {
    FileHiveRegistry reg(file, "");
    const HKEY key = test::CreateKey(reg, "Software\\Quill");
    ASSERT_EQ(test::SetValue(reg, key, "Old", REG_BINARY, std::vector<unsigned char>(1000, 0x11)),
              ERROR_SUCCESS);
}

TEST(HiveFaults, AFullDiskDuringASaveLeavesTheOldFileWhole) {
    // A real file system that runs out of space.
    test::TempHive hive;
    const std::string tiny = hive.dir.File("tiny");
    fs::create_directory(tiny);
    const int full = InChild([&] {
        if (!MountTinyFileSystem(tiny)) {
            return 77;
        }
        const std::string file = tiny + "/HKEY_LOCAL_MACHINE.reg";
        WriteOldHive(file);
        FillUp(tiny + "/filler");
        if (const int failed = SaveThatCannotBeWritten(file, std::strerror(ENOSPC))) {
            return failed;
        }
        // Once there is room again, the same save goes through.
        fs::remove(tiny + "/filler");
        FileHiveRegistry reg(file, "");
        HKEY key = 0;
        reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quill", 0, KEY_ALL_ACCESS, &key);
        return test::SetValue(reg, key, "New", REG_BINARY, std::vector<unsigned char>(16384, 0x5A)) ==
                       ERROR_SUCCESS
                   ? 0
                   : 20;
    });
    if (full == 77) {
        std::cout << "[ NOTE     ] no private file system could be mounted; the size limit stands in\n";
    } else {
        EXPECT_EQ(full, 0) << "the check that failed on the full file system";
    }

    // A file size limit: writes fail with EFBIG, as a quota would.
    WriteOldHive(hive.file);
    const std::string before = test::ReadFile(hive.file);
    const int limited = InChild([&] {
        const rlim_t limit = before.size() + 64;
        const rlimit fileSize{limit, limit};
        ::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0) {
            return 30;
        }
        if (const int failed = SaveThatCannotBeWritten(hive.file, std::strerror(EFBIG))) {
            return failed;
        }
        // A change that still fits is saved.
        FileHiveRegistry reg(hive.file, "");
        return test::SetValue(reg, HKEY_LOCAL_MACHINE, "Fits", REG_DWORD, Dword(1)) == ERROR_SUCCESS ? 0 : 31;
    });
    EXPECT_EQ(limited, 0) << "the check that failed under the file size limit";
    FileHiveRegistry reg = hive.Open();
    EXPECT_EQ(test::QueryValue(reg, HKEY_LOCAL_MACHINE, "Fits").data, Dword(1));
    HKEY key = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quill", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(test::QueryValue(reg, key, "New").code, ERROR_FILE_NOT_FOUND);
}

// Two programs save while a third edits the file the way a careful editor does (under the
// hive's lock, replacing the file whole), and a fourth keeps reading it. Every read finds a
// whole file, and every change of all three writers is in the file at the end.
TEST(HiveFaults, WritersAndAnEditorAtOnceNeverTearTheFileNorLoseChanges) {
    test::TempHive hive;
    {
        FileHiveRegistry reg(hive.file, "");
        test::CreateKey(reg, "Software\\Shared");
    }
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FileHiveRegistry reg(hive.file, "");
            HKEY key = 0;
            if (reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Shared", 0, KEY_ALL_ACCESS, &key) != 0) {
                ::_exit(2);
            }
            for (int i = 0; i < kWrites; ++i) {
                const std::string name = "W" + std::to_string(writer) + "_" + std::to_string(i);
                if (test::SetValue(reg, key, name, REG_DWORD, Dword(static_cast<DWORD>(i))) !=
                    ERROR_SUCCESS) {
                    ::_exit(3);
                }
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    const pid_t editor = ::fork();
    ASSERT_GE(editor, 0);
    if (editor == 0) {
        for (int i = 0; i < kWrites; ++i) {
            FileLock lock(hive.file + ".lock");
            if (!lock.Held()) {
                ::_exit(4);
            }
            const std::string text = test::ReadFile(hive.file) +
                                     "\n[HKEY_LOCAL_MACHINE\\Software\\Shared]\n\"E_" + std::to_string(i) +
                                     "\"=dword:00000001\n";
            const std::string temp = hive.dir.File("edited");
            test::WriteFile(temp, text);
            if (::rename(temp.c_str(), hive.file.c_str()) != 0) {
                ::_exit(5);
            }
        }
        ::_exit(0);
    }
    children.push_back(editor);

    int reads = 0;
    int torn = 0;
    std::string firstTorn;
    for (std::size_t running = children.size(); running > 0;) {
        RegFormatError error;
        const std::string text = test::ReadFile(hive.file);
        ++reads;
        if (!RegFormat::Read(text, "HKEY_LOCAL_MACHINE", error)) {
            if (torn++ == 0) {
                firstTorn = "line " + std::to_string(error.line) + ": " + error.reason;
            }
        }
        int status = 0;
        while (running > 0 && ::waitpid(-1, &status, WNOHANG) > 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            --running;
        }
    }
    EXPECT_EQ(torn, 0) << "of " << reads << " reads; the first: " << firstTorn;

    FileHiveRegistry reg(hive.file, "");
    HKEY key = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Shared", 0, KEY_READ, &key), ERROR_SUCCESS)
        << reg.LastError();
    for (int i = 0; i < kWrites; ++i) {
        for (const std::string name : {"W0_", "W1_", "E_"}) {
            EXPECT_EQ(test::QueryValue(reg, key, name + std::to_string(i)).code, ERROR_SUCCESS) << name << i;
        }
    }
}

}  // namespace
}  // namespace qm
