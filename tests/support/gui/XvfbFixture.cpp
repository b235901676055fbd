#include "support/gui/XvfbFixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace qm::test {

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) {
            return condition();
        }
        std::this_thread::sleep_for(25ms);
    }
    return true;
}

Process::Process(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                 const std::string& folder, const std::string& output, int keep) {
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        if (keep >= 0) {
            ::fcntl(keep, F_SETFD, 0);
        }
        if (!output.empty() && std::freopen(output.c_str(), "w", stdout) != nullptr) {
            ::dup2(::fileno(stdout), 2);
        }
        for (const std::string& setting : environment) {
            const std::size_t eq = setting.find('=');
            ::setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
        }
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
            ::_exit(126);
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

Process::~Process() {
    for (const int signal : {SIGTERM, SIGKILL}) {
        if (Running()) {
            ::kill(pid_, signal);
            WaitForExit(5s);
        }
    }
}

bool Process::Running() {
    int raw = 0;
    if (pid_ > 0 && !status_ && ::waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    return pid_ > 0 && !status_;
}

std::optional<int> Process::WaitForExit(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (Running() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(10ms);
    }
    return status_;
}

XvfbFixture::XvfbFixture(int width, int height) {
    const std::string program = FindOnPath("Xvfb");
    int ready[2];
    if (program.empty() || ::pipe2(ready, O_CLOEXEC) != 0) {
        throw std::runtime_error("Xvfb is not installed, or no pipe");
    }
    server_ = std::make_unique<Process>(
        std::vector<std::string>{program, "-displayfd", std::to_string(ready[1]), "-nolisten", "tcp",
                                 "-noreset", "-screen", "0",
                                 std::to_string(width) + "x" + std::to_string(height) + "x24"},
        std::vector<std::string>{}, std::string(), "/dev/null", ready[1]);
    ::close(ready[1]);
    // It writes its display number to the pipe once it takes connections; a server that ends
    // closes its end, and the read sees the end of the file.
    std::string number;
    char buffer[32];
    ssize_t got = 0;
    pollfd waiting{ready[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && ::poll(&waiting, 1, 30000) > 0 &&
           (got = ::read(ready[0], buffer, sizeof buffer)) > 0) {
        number.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        throw std::runtime_error("Xvfb did not start");
    }
    display_ = ":" + number.substr(0, number.find('\n'));
}

}  // namespace qm::test
