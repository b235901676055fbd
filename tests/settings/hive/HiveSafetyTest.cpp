// The hive file under damage, files no installation writes (huge, deeply nested),
// permissions, a full disk, other programs and sudden death.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <random>

#include "settings/hive/FileLock.h"
#include "settings/hive/RegFormat.h"
#include "support/HiveTest.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::ByteVector;
using test::Dword;
using test::Sz;

const std::string kGoodHive =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tallowmer]\n\"PortName\"=\"COM1:\"\n\"BaudRate\"=dword:"
    "00000960\n";

// A key path of that many levels, and its [key] line.
std::string Deep(std::size_t depth) {
    std::string path = "k";
    for (std::size_t i = 1; i < depth; ++i) {
        path += "\\k";
    }
    return path;
}
std::string Nested(std::size_t depth) {
    return "[HKEY_LOCAL_MACHINE\\" + Deep(depth) + "]\n";
}

// True when no save left a temporary file in the folder.
bool NoLeftovers(const fs::path& folder) {
    return std::none_of(fs::directory_iterator(folder), fs::directory_iterator(), [](const auto& entry) {
        return entry.path().filename().string().find(".tmp-") != std::string::npos;
    });
}

// Every way in reports the damage; nothing writes over the file; the message names the file,
// the line and the reason; mending the file brings everything back. A file larger than any
// settings file is refused unread; keys nest at most 512 levels, as on Windows (a few hundred
// kilobytes of backslashes once crashed the program).
TEST(HiveSafety, ADamagedFileIsReportedAndNeverOverwritten) {
    const std::string software = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n";
    for (const auto& [text, reason] : std::vector<std::pair<std::string, std::string>>{
             {std::string("\x7f\x45LF\x02\x01\x01\0\0\0garbage\xff\xfe", 20), "line 1:"},
             {software + "\"Blob\"=hex:00,\\\n" + std::string(std::size_t{17} << 20, ' ') + "ff\n",
              "larger than 16 MB"},
             {software + Nested(513), "line 4: a key nested deeper than 512 levels"},
             {software + Nested(400000), "line 4: a key nested deeper than 512 levels"}}) {
        SCOPED_TRACE(std::to_string(text.size()) + " bytes");
        test::TempHive hive;
        test::WriteFile(hive.file, kGoodHive);
        FileHiveRegistry reg = hive.Open();
        const HKEY early = test::OpenKey(reg, "Software", KEY_ALL_ACCESS);

        test::WriteFile(hive.file, text);
        HKEY key = 0;
        EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Nowhere", 0, KEY_READ, &key), ERROR_BADDB)
            << "not 'missing': the tree is unknown";
        EXPECT_EQ(test::QueryValue(reg, early, "PortName").code, ERROR_BADDB);
        EXPECT_EQ(test::SetValue(reg, early, "Added", REG_DWORD, Dword(1)), ERROR_BADDB);
        EXPECT_EQ(reg.RegDeleteKeyA(early, "Tallowmer"), ERROR_BADDB);
        EXPECT_EQ(test::ReadFile(hive.file), text);
        const std::string error = reg.LastError().substr(0, 400);
        EXPECT_NE(error.find(hive.file), std::string::npos) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;

        FileHiveRegistry another = hive.Open();
        EXPECT_EQ(test::SetValue(another, HKEY_LOCAL_MACHINE, "Root", REG_DWORD, Dword(1)), ERROR_BADDB);
        EXPECT_EQ(test::ReadFile(hive.file), text);

        test::WriteFile(hive.file, kGoodHive + "\n");
        EXPECT_EQ(test::QueryValue(reg, early, "Added").code, ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(reg.LastError(), "");
        EXPECT_EQ(test::SetValue(reg, early, "Added", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    }
}

// Something other than a file in the file's place is refused at once, without waiting for a
// writer that may never come: a FIFO would otherwise hang the program at start.
TEST(HiveSafety, AnythingButARegularFileIsRefusedWithoutBlocking) {
    for (const bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "FIFO" : "folder");
        test::TempHive hive;
        ASSERT_EQ(fifo ? ::mkfifo(hive.file.c_str(), 0644) : ::mkdir(hive.file.c_str(), 0755), 0);
        EXPECT_EXIT(
            {
                ::alarm(5);  // a blocked open ends here, by the signal
                FileHiveRegistry reg = hive.Open();
                HKEY key = 0;
                const bool refused =
                    reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key) == ERROR_CANTREAD &&
                    test::SetValue(reg, HKEY_LOCAL_MACHINE, "Root", REG_DWORD, Dword(1)) == ERROR_CANTREAD &&
                    reg.LastError().find(hive.file + " is not a regular file") != std::string::npos;
                std::exit(refused ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

// Read-only hives refuse changes, and neither the file nor what a reader sees changes.
TEST(HiveSafety, ReadOnlyFileOrFolderRefusesWritesAndLosesNothing) {
    for (const bool folderReadOnly : {true, false}) {
        SCOPED_TRACE(folderReadOnly ? "read-only folder" : "read-only file");
        test::TempHive hive;
        test::WriteFile(hive.file, kGoodHive);
        const std::string locked = folderReadOnly ? hive.dir.Path().string() : hive.file;
        ::chmod(locked.c_str(), folderReadOnly ? 0555 : 0444);

        FileHiveRegistry reg = hive.Open();
        const HKEY key = test::OpenKey(reg, "Software\\Tallowmer", KEY_ALL_ACCESS);
        EXPECT_EQ(test::SetValue(reg, key, "PortName", REG_SZ, Sz("COM9:")), ERROR_ACCESS_DENIED);
        EXPECT_NE(reg.LastError().find("read-only"), std::string::npos) << reg.LastError();
        EXPECT_EQ(reg.RegDeleteValueA(key, "BaudRate"), ERROR_ACCESS_DENIED);
        HKEY created = 0;
        EXPECT_EQ(reg.RegCreateKeyExA(key, "New", "", 0, KEY_ALL_ACCESS, &created, nullptr),
                  ERROR_ACCESS_DENIED);
        test::CreateKey(reg, "Software");  // opening an existing key through create needs no write

        EXPECT_EQ(test::QueryValue(reg, key, "PortName").data, Sz("COM1:"));
        EXPECT_EQ(test::QueryValue(reg, key, "BaudRate").data, Dword(2400));
        EXPECT_EQ(test::ReadFile(hive.file), kGoodHive);
        EXPECT_TRUE(NoLeftovers(hive.dir.Path()));
        ::chmod(locked.c_str(), folderReadOnly ? 0755 : 0644);
        EXPECT_EQ(test::SetValue(reg, key, "PortName", REG_SZ, Sz("COM9:")), ERROR_SUCCESS);
    }
}

// An edit another program made in place between two of our changes stays, even one that keeps
// the file's size and its time to the second. (Saves of other stores between ours are kept too:
// the concurrent writers below.)
TEST(HiveSafety, AnEditInPlaceBetweenWritesIsKept) {
    test::TempHive hive;
    FileHiveRegistry reg = hive.Open();
    const HKEY key = test::CreateKey(reg, "Software\\Tallowmer");
    ASSERT_EQ(test::SetValue(reg, key, "Ours", REG_SZ, Sz("first")), ERROR_SUCCESS);
    std::string text = test::ReadFile(hive.file);
    text.replace(text.find("first"), 5, "FIRST");
    test::WriteFile(hive.file, text);  // same size, same second
    ASSERT_EQ(test::SetValue(reg, key, "Later", REG_SZ, Sz("second")), ERROR_SUCCESS);
    EXPECT_NE(test::ReadFile(hive.file).find("\"Ours\"=\"FIRST\"\n\"Later\"=\"second\""), std::string::npos);
}

// A hive reached through a symbolic link is locked beside the file really written, so a writer
// through the link waits for one through the target instead of overwriting its save.
TEST(HiveSafety, WritersThroughALinkAndItsTargetShareOneLock) {
    test::TempHive hive;
    test::WriteFile(hive.file, kGoodHive);
    const std::string link = hive.dir.File("link.reg");
    fs::create_symlink(hive.file, link);
    std::future<LONG> written;
    {
        FileLock held(hive.file + ".lock");
        ASSERT_TRUE(held.Held());
        written = std::async(std::launch::async, [&] {
            FileHiveRegistry reg(link);
            return test::SetValue(reg, HKEY_LOCAL_MACHINE, "Root", REG_DWORD, Dword(1));
        });
        EXPECT_EQ(written.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
            << "written while the target was locked";
    }
    EXPECT_EQ(written.get(), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(test::ReadFile(hive.file).find("\"Root\"=dword:00000001"), std::string::npos);
}

// A new hive file gets what the umask allows; a replaced one keeps the mode it had.
TEST(HiveSafety, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirMode) {
    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
        SCOPED_TRACE(mask);
        test::TempHive hive;
        FileHiveRegistry reg = hive.Open();
        const auto mode = [](const std::string& path) { return unsigned(fs::status(path).permissions()); };
        const mode_t before = ::umask(mask);
        const HKEY run = test::CreateKey(reg, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        const LONG first = test::SetValue(reg, run, "Quillmotion", REG_SZ, Sz("/bin/true"));
        ::umask(before);
        ASSERT_EQ(first, ERROR_SUCCESS);
        EXPECT_EQ(mode(hive.file), 0666 & ~mask);

        ::chmod(hive.file.c_str(), 0640);
        ASSERT_EQ(test::SetValue(reg, run, "Quillmotion", REG_SZ, Sz("/bin/false")), ERROR_SUCCESS);
        EXPECT_EQ(mode(hive.file), 0640u);
    }
}

// A save the disk cannot take (a file size limit, as a quota gives: writes fail with EFBIG) fails
// and says why; the file keeps every byte, no temporary is left, and the tree in memory did not
// take the change. A change that still fits is saved. A change that would outgrow the size limit
// is refused the same way: three characters per byte in the file, so 6 MB make 18 MB of text.
TEST(HiveSafety, AFullDiskDuringASaveLeavesTheOldFileWhole) {
    test::TempHive hive;
    FileHiveRegistry reg = hive.Open();
    const HKEY key = test::CreateKey(reg, "Software\\Quill");
    ASSERT_EQ(test::SetValue(reg, key, "Old", REG_BINARY, ByteVector(1000, 0x11)), ERROR_SUCCESS);
    const std::string before = test::ReadFile(hive.file);
    EXPECT_EQ(test::SetValue(reg, key, "Huge", REG_BINARY, ByteVector(std::size_t{6} << 20, 0xAB)),
              ERROR_CANTWRITE);
    EXPECT_NE(reg.LastError().find("larger than 16 MB"), std::string::npos) << reg.LastError();
    EXPECT_EQ(test::ReadFile(hive.file), before);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit fileSize{before.size() + 64, before.size() + 64};
        ::signal(SIGXFSZ, SIG_IGN);
        ::_exit(::setrlimit(RLIMIT_FSIZE, &fileSize) != 0                                                 ? 1
                : test::SetValue(reg, key, "New", REG_BINARY, ByteVector(16384, 0x5A)) != ERROR_CANTWRITE ? 2
                : reg.LastError().find(std::strerror(EFBIG)) == std::string::npos                         ? 3
                : test::ReadFile(hive.file) != before || !NoLeftovers(hive.dir.Path())                    ? 4
                : test::QueryValue(reg, key, "New").code != ERROR_FILE_NOT_FOUND                          ? 5
                : test::SetValue(reg, key, "Fits", REG_DWORD, Dword(1)) != ERROR_SUCCESS                  ? 6
                                                                                         : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << "the check that failed: " << WEXITSTATUS(status);
    const std::string after = test::ReadFile(hive.file);
    EXPECT_TRUE(after.find("\"Fits\"=dword:00000001") != std::string::npos &&
                after.find("\"New\"") == std::string::npos);
}

// No caller can create a key deeper than 512 levels, so the hive never writes a file it could
// not read back; one of 512 levels is saved and read back.
TEST(HiveSafety, KeysNestAtMost512Levels) {
    test::TempHive hive;
    FileHiveRegistry reg = hive.Open();
    const HKEY key = test::CreateKey(reg, Deep(512));
    HKEY result = 0;
    EXPECT_EQ(reg.RegCreateKeyExA(key, "deeper", "", 0, KEY_ALL_ACCESS, &result, nullptr),
              ERROR_INVALID_PARAMETER);
    ASSERT_EQ(test::SetValue(reg, key, "AtTheBottom", REG_DWORD, Dword(512)), ERROR_SUCCESS);
    FileHiveRegistry fresh = hive.Open();
    EXPECT_EQ(test::QueryValue(fresh, test::OpenKey(fresh, Deep(512)), "AtTheBottom").data, Dword(512))
        << fresh.LastError();
}

// The state a writer saves: a counter and a block whose bytes follow from it, so that a file
// mixing two saves would show.
std::vector<unsigned char> State(std::uint32_t counter) {
    std::vector<unsigned char> data = Dword(counter);
    for (std::uint32_t i = 0; i < 1024; ++i) {
        data.push_back(static_cast<unsigned char>(counter * 31 + i));
    }
    return data;
}

constexpr std::uint32_t kMixed = 0xFFFFFFFFu;

std::uint32_t CounterOf(const ByteVector& data) {
    const std::uint32_t counter =
        data.size() < 4 ? kMixed : data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24;
    return data == State(counter) ? counter : kMixed;
}

// The counter of the state the file holds, read by the parser alone.
std::uint32_t SavedCounter(const std::string& file, const char* name = "State") {
    RegFormatError error;
    const std::optional<HiveKey> root = RegFormat::Read(test::ReadFile(file), "HKEY_LOCAL_MACHINE", error);
    const HiveKey* key = root ? root->Find({"Software", "Crash"}) : nullptr;
    const HiveValue* value = key != nullptr ? key->FindValue(name) : nullptr;
    EXPECT_NE(value, nullptr) << "no state, or no parse: line " << error.line << ": " << error.reason;
    return value != nullptr ? CounterOf(value->data) : kMixed;
}

// A writer killed at any moment leaves the file parsing, and holding its last completed save
// or the one it was making. Each child tells the parent once it completed a save of its own,
// so every round must move the counter on. A batched save writes two values that must agree.
class KilledWriters : public testing::TestWithParam<bool> {};

TEST_P(KilledWriters, LeaveTheOldOrTheNewFile) {
    const bool batched = GetParam();
    test::TempHive hive;
    {
        FileHiveRegistry reg(hive.file);
        const HKEY key = test::CreateKey(reg, "Software\\Crash");
        ASSERT_EQ(test::SetValue(reg, key, "State", REG_BINARY, State(0)), ERROR_SUCCESS);
        ASSERT_EQ(test::SetValue(reg, key, "Twin", REG_BINARY, State(0)), ERROR_SUCCESS);
    }
    std::mt19937 random(20240611);
    std::uint32_t last = 0;
    for (int round = 0; round < 200; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            FileHiveRegistry reg(hive.file);
            const HKEY key = test::OpenKey(reg, "Software\\Crash", KEY_ALL_ACCESS);
            std::uint32_t counter = CounterOf(test::QueryValue(reg, key, "State").data);
            for (bool first = true;; first = false) {
                if (batched) {
                    reg.BeginBatch();
                }
                if (test::SetValue(reg, key, "State", REG_BINARY, State(++counter)) != ERROR_SUCCESS ||
                    (batched && test::SetValue(reg, key, "Twin", REG_BINARY, State(counter)) != 0) ||
                    !reg.EndBatch().empty()) {
                    ::_exit(3);
                }
                if (first && ::write(ready[1], "s", 1) != 1) {
                    ::_exit(4);
                }
            }
        }
        ::close(ready[1]);
        char signal = 0;
        const ssize_t got = ::read(ready[0], &signal, 1);
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(random() % 4000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_EQ(got, 1) << "the writer failed, exit status " << WEXITSTATUS(status);

        const std::uint32_t counter = SavedCounter(hive.file);
        ASSERT_NE(counter, kMixed) << "round " << round << ": a mixed file";
        ASSERT_GT(counter, last) << "round " << round << ": a completed save was lost";
        if (batched) {
            ASSERT_EQ(SavedCounter(hive.file, "Twin"), counter) << "round " << round;
        }
        last = counter;
    }
    // A later save clears what the killed writers left behind.
    test::WriteFile(hive.file + ".tmp-abc123", "torn");
    FileHiveRegistry reg(hive.file);
    ASSERT_EQ(test::SetValue(reg, HKEY_LOCAL_MACHINE, "Done", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    EXPECT_TRUE(NoLeftovers(hive.dir.Path()));
}

INSTANTIATE_TEST_SUITE_P(HiveSafety, KilledWriters, testing::Bool());

// Two programs save while a third edits the file the way a careful editor does (under the
// hive's lock, replacing the file whole), and a fourth keeps reading it. Every read finds a
// whole file, and every change of all three writers is in the file at the end.
TEST(HiveSafety, WritersAndAnEditorAtOnceNeverTearTheFileNorLoseChanges) {
    test::TempHive hive;
    {
        FileHiveRegistry reg(hive.file);
        test::CreateKey(reg, "Software\\Shared");
    }
    constexpr int kWrites = 40;
    const std::string names[] = {"W0_", "W1_", "E_"};  // the two writers' values, then the editor's
    for (const std::string& name : names) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FileHiveRegistry reg(hive.file);
            const HKEY key = name == "E_" ? 0 : test::OpenKey(reg, "Software\\Shared", KEY_ALL_ACCESS);
            for (int i = 0; i < kWrites; ++i) {
                const std::string value = name + std::to_string(i);
                if (key != 0) {
                    if (test::SetValue(reg, key, value, REG_DWORD, Dword(1)) != ERROR_SUCCESS) {
                        ::_exit(3);
                    }
                    continue;
                }
                FileLock lock(hive.file + ".lock");
                const std::string temp = hive.dir.File("edited");
                test::WriteFile(temp, test::ReadFile(hive.file) +
                                          "\n[HKEY_LOCAL_MACHINE\\Software\\Shared]\n\"" + value +
                                          "\"=dword:00000001\n");
                if (!lock.Held() || ::rename(temp.c_str(), hive.file.c_str()) != 0) {
                    ::_exit(4);
                }
            }
            ::_exit(0);
        }
    }

    for (std::size_t running = std::size(names); running > 0;) {
        RegFormatError error;
        EXPECT_TRUE(RegFormat::Read(test::ReadFile(hive.file), "HKEY_LOCAL_MACHINE", error))
            << "a torn file, line " << error.line << ": " << error.reason;
        int status = 0;
        while (running > 0 && ::waitpid(-1, &status, WNOHANG) > 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            --running;
        }
    }

    FileHiveRegistry reg(hive.file);
    const HKEY key = test::OpenKey(reg, "Software\\Shared");
    for (int i = 0; i < kWrites; ++i) {
        for (const std::string& name : names) {
            EXPECT_EQ(test::QueryValue(reg, key, name + std::to_string(i)).code, ERROR_SUCCESS) << name << i;
        }
    }
}

}  // namespace
}  // namespace qm
