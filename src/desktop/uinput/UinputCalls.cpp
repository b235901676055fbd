#include "desktop/uinput/UinputCalls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qm::uinput {
namespace {

class SystemCalls : public UinputCalls {
public:
    int Open(const char* path, int flags) override { return ::open(path, flags); }
    int Control(int fd, unsigned long request, unsigned long value) override {
        return ::ioctl(fd, request, value);
    }
    int Control(int fd, unsigned long request, const void* argument) override {
        return ::ioctl(fd, request, argument);
    }
    long Write(int fd, const void* data, std::size_t size) override { return ::write(fd, data, size); }
    int Close(int fd) override { return ::close(fd); }
};

}  // namespace

std::unique_ptr<UinputCalls> SystemUinputCalls() {
    return std::make_unique<SystemCalls>();
}

}  // namespace qm::uinput
