#pragma once

#include <cstddef>
#include <memory>

namespace qm::uinput {

// The system calls made on /dev/uinput. A failing call returns a negative number and leaves
// the reason in errno, as the system's own do.
class UinputCalls {
public:
    virtual ~UinputCalls() = default;

    virtual int Open(const char* path, int flags) = 0;
    // The requests whose argument is a number (the UI_SET_*BIT ones, UI_DEV_CREATE/DESTROY).
    virtual int Control(int fd, unsigned long request, unsigned long value) = 0;
    // The requests whose argument is a structure (UI_DEV_SETUP).
    virtual int Control(int fd, unsigned long request, const void* argument) = 0;
    virtual long Write(int fd, const void* data, std::size_t size) = 0;
    virtual int Close(int fd) = 0;
};

std::unique_ptr<UinputCalls> SystemUinputCalls();

}  // namespace qm::uinput
