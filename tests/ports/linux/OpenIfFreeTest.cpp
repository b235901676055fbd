#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "ports/linux/DeviceLocks.h"
#include "support/TempDir.h"
#include "support/gui/PtyPair.h"

namespace qm {
namespace {

// The open test's verdict, closing a device that did open.
PortHold Verdict(const std::string& path, const std::vector<std::string>& lockDirs) {
    const PortOpenResult result = OpenIfFree(path, lockDirs);
    if (result.hold == PortHold::Free) {
        EXPECT_GE(result.fd, 0);
        EXPECT_EQ(::isatty(result.fd), 1);
        ::close(result.fd);
    } else {
        EXPECT_EQ(result.fd, -1);
    }
    return result.hold;
}

std::string Uucp(pid_t pid) {
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
    return text;
}

// A pseudo-terminal and a lock folder of its own.
class OpenIfFreeTest : public ::testing::Test {
protected:
    test::TempDir empty;
    test::TempDir locks;
    const std::vector<std::string> lockDirs = {empty.Path().string(), locks.Path().string()};
    test::PtyPair pty;
    const std::string path = pty.DevicePath();
};

TEST_F(OpenIfFreeTest, TellsAFreePtyFromAHeldOne) {
    const int slave = ::open(path.c_str(), O_RDWR | O_NOCTTY);  // as another program holds it
    ASSERT_GE(slave, 0);

    EXPECT_EQ(Verdict(path, lockDirs), PortHold::Free);

    // Exclusive mode, as Qt Serial Port and most terminal programs set it. The kernel refuses
    // ordinary users with EBUSY and lets the superuser in; both must see the port as held.
    ASSERT_EQ(::ioctl(slave, TIOCEXCL), 0);
    EXPECT_EQ(Verdict(path, lockDirs), PortHold::Exclusive);
    ASSERT_EQ(::ioctl(slave, TIOCNXCL), 0);

    // An flock on the device, as picocom and some serial libraries take.
    const int other = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EXPECT_EQ(Verdict(path, lockDirs), PortHold::Flock);
    ::close(other);

    // The open test takes no lock and leaves no mode behind: a program can still have the port.
    int exclusive = 1;
    ASSERT_EQ(::ioctl(slave, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ASSERT_EQ(::flock(slave, LOCK_EX | LOCK_NB), 0);
    ::flock(slave, LOCK_UN);

    const PortOpenResult absent = OpenIfFree(locks.File("ttyUSB99"), lockDirs);
    EXPECT_EQ(absent.hold, PortHold::CannotOpen);
    EXPECT_EQ(absent.error, ENOENT);

    // A setting may name any path; only a terminal device is a port, and a plain file is
    // neither opened nor changed.
    const std::string file = locks.File("not-a-port");
    test::WriteFile(file, "data");
    const PortOpenResult plain = OpenIfFree(file, lockDirs);
    EXPECT_EQ(plain.hold, PortHold::CannotOpen);
    EXPECT_EQ(plain.error, ENOTTY);
    EXPECT_EQ(test::ReadFile(file), "data");
    // A character device that opens but is not a terminal.
    EXPECT_EQ(OpenIfFree("/dev/null", lockDirs).error, ENOTTY);
    ::close(slave);
}

TEST_F(OpenIfFreeTest, LiveLockFilesHoldThePort) {
    EXPECT_EQ(LockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(LockFileName("/dev/serial/by-id/usb-A"), "LCK..serial_by-id_usb-A");
    const std::string lock = locks.File(LockFileName(path));

    // Another program's UUCP-style file: it holds the port while that program runs, and a
    // refused open names the file, the process and its name.
    pid_t other = 0;
    char* const sleep[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
    ASSERT_EQ(::posix_spawnp(&other, "sleep", nullptr, nullptr, sleep, environ), 0);
    // The spawn returns once the child is running sleep, which can be just before it takes its name.
    for (int i = 0; i < 2000 && test::ReadFile("/proc/" + std::to_string(other) + "/comm") != "sleep\n";
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    test::WriteFile(lock, Uucp(other));
    EXPECT_EQ(Verdict(path, lockDirs), PortHold::LockFile);
    const std::string locked = "The device is locked by " + lock + ", which names ";
    const std::string process = locked + "process " + std::to_string(other);
    EXPECT_EQ(LockFileHolder(path, {"/nonexistent", locks.Path()}), process + " (sleep).");

    // Reached through a link, the device still has the lock file of its real name.
    const std::string link = locks.File("switch-box");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    EXPECT_EQ(Verdict(link, lockDirs), PortHold::LockFile);

    // The program has ended: a stale file does not hold the port.
    ::kill(other, SIGKILL);
    ASSERT_EQ(::waitpid(other, nullptr, 0), other);
    EXPECT_EQ(Verdict(path, lockDirs), PortHold::Free);
    EXPECT_EQ(LockFileHolder(path, {locks.Path()}), process + "; it is not running, so the lock is stale.");

    // The old binary form.
    const std::int32_t self = ::getpid();
    test::WriteFile(lock, std::string(reinterpret_cast<const char*>(&self), sizeof self));
    EXPECT_TRUE(LockFileHeld(path, lockDirs));

    // A file its owner keeps flocked, whatever it says inside (Qt's lock files work this way).
    test::WriteFile(lock, "not a number\n");
    EXPECT_FALSE(LockFileHeld(path, lockDirs));
    EXPECT_EQ(LockFileHolder(path, {locks.Path()}), locked + "no process.");
    // Qt locks in the first folder it may write to, where there is no such file.
    EXPECT_EQ(LockFileHolder(path, lockDirs), "");
    const int holder = ::open(lock.c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_TRUE(LockFileHeld(path, lockDirs));
    ::close(holder);
    EXPECT_FALSE(LockFileHeld(path, lockDirs));
}

}  // namespace
}  // namespace qm
