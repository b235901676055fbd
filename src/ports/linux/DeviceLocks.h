#pragma once

#include <string>
#include <vector>

namespace qm {

// Why a serial device could not be had.
enum class PortHold {
    Free,        // opened; nobody else is known to hold it
    CannotOpen,  // absent, no permission, not a terminal device, or another failure
    Exclusive,   // a program holds the tty in exclusive mode (TIOCEXCL)
    Flock,       // a program holds an flock on the device
    LockFile,    // a live lock file (LCK..name) names it
};

struct PortOpenResult {
    int fd = -1;  // open only when hold is Free
    PortHold hold = PortHold::CannotOpen;
    int error = 0;  // errno of a failed open
};

// Where programs leave serial port lock files: the folders Qt Serial Port looks in, in its
// order, which include the usual UUCP and lockdev places.
std::vector<std::string> DefaultLockDirs();

// Opens a serial device as a program that is about to use it would, and tells whether some
// other program already holds it. Only terminal devices count: any other path gives
// CannotOpen with ENOTTY, and a path that is no character device is not even opened. A free device comes back
// open (read-write, no controlling terminal, non-blocking); the caller closes it.
//
// A program is seen to hold a device when:
//  - it put the tty in exclusive mode: open(2) fails with EBUSY for ordinary users, and
//    TIOCGEXCL reports the mode to the superuser, whom the kernel lets through;
//  - it holds an flock on the device (picocom, serial libraries that lock this way);
//  - a lock file "LCK..<name>" in one of lockDirs is flocked by a live process or records the
//    process id of one (Qt Serial Port, minicom, lockdev users). The name is the device path
//    without "/dev/" and with '/' as '_', for the path as given and the device it leads to.
// Qt Serial Port does the first and the last. A program that does none of these (a plain
// open(2), `cat`) is not seen, and a lock file of a dead program whose id was reused is taken
// as a live one.
PortOpenResult OpenIfFree(const std::string& devicePath, const std::vector<std::string>& lockDirs);

// True when a lock file in lockDirs shows that a live process holds the device.
bool LockFileHeld(const std::string& devicePath, const std::vector<std::string>& lockDirs);

// The lock file name that serial programs use for a device path ("/dev/ttyUSB0" ->
// "LCK..ttyUSB0", "/dev/pts/3" -> "LCK..pts_3").
std::string LockFileName(const std::string& devicePath);

// Who holds the lock file that Qt Serial Port, given lockDirs in its order, trips over when it
// refuses to open a device: the file, the process it names and that process's name, or that the
// process has gone. Qt looks in the first folder it can read that holds the file or that it can
// write to, for the path as given. Empty when there is no lock file there.
std::string LockFileHolder(const std::string& devicePath, const std::vector<std::string>& lockDirs);

}  // namespace qm
