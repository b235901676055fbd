#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/gui/XvfbFixture.h"

namespace qm::test {

// A headless sway of the test's own, in a runtime folder of its own, with one output of the
// given size and the given keyboard layout for its seat. sway refuses to run as root, so a root
// test runs it as nobody. Stopped with the object.
class SwaySession {
public:
    // Throws std::runtime_error when sway is missing or does not start.
    explicit SwaySession(const std::string& layout = "us", int width = 1024, int height = 768);

    // The display's socket, as a full path (a Wayland client's display name).
    const std::string& Socket() const { return socket_; }
    // What a client of the session needs in its environment.
    std::vector<std::string> Environment() const;
    // Stops sway and starts it again, as a session whose compositor restarts; its clients lose
    // their connections.
    void Restart();

private:
    void Start();

    TempDir runtime_;
    std::vector<std::string> command_;
    std::unique_ptr<Process> sway_;
    std::string socket_;
};

// A key press as a client reads it: the keysym and the text it types (UTF-8).
struct TypedKey {
    std::uint32_t keysym = 0;
    std::string text;
};

// wev, full-screen with the keyboard focus in the session, reporting what it is sent. Events
// read as "+left" / "-left" (buttons), "+a" / "-a" (keys, by keysym name), "motion 100,100"
// (where the pointer is on the output), "axis vertical 15", "discrete vertical 1" and
// "modifiers 4" (a change of the modifiers held, as a mask).
class WevRecorder {
public:
    // Throws std::runtime_error when wev is missing or its window does not come up.
    explicit WevRecorder(const SwaySession& session);
    ~WevRecorder();
    WevRecorder(const WevRecorder&) = delete;
    WevRecorder& operator=(const WevRecorder&) = delete;

    // Reads what came until done() holds or the time is up; done()'s last answer.
    bool WaitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool WaitForEvents(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        return WaitUntil([&] { return events_.size() >= count; }, timeout);
    }
    // Waits in poll() for the next event that begins with prefix, taken since the last
    // Clear; when the line that held it was read.
    std::optional<std::chrono::steady_clock::time_point> WaitFor(
        const std::string& prefix, std::chrono::milliseconds timeout = std::chrono::seconds(2));
    const std::vector<std::string>& Events() const { return events_; }
    const std::vector<TypedKey>& Typed() const { return typed_; }
    // Everything wev has written.
    const std::string& Output() const { return output_; }
    void Clear() {
        Read();
        events_.clear();
        typed_.clear();
        waited_ = 0;
    }

private:
    void Read();
    void Take(const std::string& line);

    int terminal_ = -1;  // wev writes to a pseudo-terminal, so that it writes each line at once
    std::unique_ptr<Process> wev_;
    std::string output_;
    std::size_t taken_ = 0;                     // how much of the output has been made into events
    std::map<std::string, std::string> bound_;  // the first object of each interface
    std::string lastLine_;                      // the last event's first line
    unsigned long depressed_ = 0;               // the modifiers held, as last reported
    std::vector<std::string> events_;
    std::vector<TypedKey> typed_;
    std::size_t waited_ = 0;                      // the events WaitFor has looked at
    std::chrono::steady_clock::time_point read_;  // when output last came
};

}  // namespace qm::test
