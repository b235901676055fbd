#include "support/gui/XvfbFixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

namespace qm::test {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(30);
constexpr auto kStopTimeout = std::chrono::seconds(5);

// Reads the display number Xvfb writes once it is ready; "" if it never does.
std::string ReadDisplayNumber(int fd, pid_t pid) {
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, 100);
        if (ready < 0 && errno != EINTR) {
            return {};
        }
        if (ready > 0) {
            char buffer[32];
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0) {
                return {};  // closed without a number: it failed to start
            }
            number.append(buffer, static_cast<std::size_t>(got));
            if (number.find('\n') != std::string::npos) {
                return number.substr(0, number.find('\n'));
            }
        }
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return {};
        }
    }
    return {};
}

}  // namespace

std::string XvfbFixture::Program() {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t colon = folders.find(':', start);
        const std::string folder =
            folders.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/Xvfb";
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (colon == std::string::npos) {
            break;
        }
        start = colon + 1;
    }
    return {};
}

XvfbFixture::XvfbFixture(int width, int height) : width_(width), height_(height) {
    const std::string program = Program();
    if (program.empty()) {
        throw std::runtime_error("Xvfb is not installed");
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // The child's end of the pipe becomes descriptor 3, the number Xvfb is told to write to.
    std::vector<std::string> arguments = {program,    "-displayfd", "3", "-nolisten", "tcp",
                                          "-noreset", "-screen",    "0", screen};
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // Only async-signal-safe calls here. The server goes when the test process does.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        if (pipeFds[1] == 3) {
            ::fcntl(3, F_SETFD, 0);
        } else {
            ::dup2(pipeFds[1], 3);  // dup2 clears close-on-exec on the copy
        }
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    const std::string number = ReadDisplayNumber(pipeFds[0], pid_);
    ::close(pipeFds[0]);
    if (number.empty()) {
        Stop();
        throw std::runtime_error("Xvfb did not start");
    }
    display_ = ":" + number;
}

XvfbFixture::~XvfbFixture() {
    Stop();
}

void XvfbFixture::Stop() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
}

}  // namespace qm::test
