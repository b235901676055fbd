#pragma once

#include <string>
#include <string_view>

namespace qm::test {

// A pseudo-terminal pair standing in for a serial line: the program opens the device (the
// slave side) and the test is the far end (the master side).
class PtyPair {
public:
    // Throws std::runtime_error when no pseudo-terminal can be had.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // The device path the serial control opens, e.g. /dev/pts/3.
    const std::string& DevicePath() const { return devicePath_; }

    // The far end sends bytes (all of them, or throws).
    void Write(std::string_view bytes);
    // Waits (without running any event loop) until at least count bytes wait to be read on the
    // line, so that a reader woken afterwards finds them all at once. False on timeout.
    bool WaitUntilWaiting(int count) const;
    // The far end goes away, as a device that is unplugged.
    void CloseFarEnd();
    // Points the symbolic link at this device, replacing what it pointed at in one step, as a
    // device plugged in again under the same name.
    void LinkAt(const std::string& link) const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string devicePath_;
};

}  // namespace qm::test
