#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {

// Where the program is on PATH; empty when it is not there.
std::string FindOnPath(const std::string& program);
// Polls the condition every 25 ms until it holds or the time is up; its last answer.
bool Eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds(15));

// A child process with environment additions, ended (SIGTERM, then SIGKILL) with the object and
// with the test process.
class Process {
public:
    // output: a file that takes the child's standard output and error ("" keeps the test's).
    // keep: a descriptor the child inherits (-1: none).
    Process(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            const std::string& folder = {}, const std::string& output = {}, int keep = -1);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running();
    // The exit status once the child has ended within the time (128 + signal when killed).
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A private Xvfb server on a display number it picks itself (-displayfd), reachable only
// through local sockets, stopped with the object. Nothing else needs to be running.
class XvfbFixture {
public:
    // Starts the server and waits until it takes connections; throws std::runtime_error
    // when it cannot.
    explicit XvfbFixture(int width = 1024, int height = 768);

    // The display name, e.g. ":5".
    const std::string& Display() const { return display_; }

private:
    std::unique_ptr<Process> server_;
    std::string display_;
};

}  // namespace qm::test
