#pragma once

#include <sys/types.h>

#include <string>

namespace qm::test {

// A private Xvfb server on a display number it picks itself (-displayfd), reachable only
// through local sockets, stopped with the object. Nothing else needs to be running.
class XvfbFixture {
public:
    // Where Xvfb is on PATH; empty when it is not installed.
    static std::string Program();

    // Starts the server and waits until it takes connections; throws std::runtime_error
    // when it cannot.
    explicit XvfbFixture(int width = 1024, int height = 768);
    ~XvfbFixture();
    XvfbFixture(const XvfbFixture&) = delete;
    XvfbFixture& operator=(const XvfbFixture&) = delete;

    // The display name, e.g. ":5".
    const std::string& Display() const { return display_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    void Stop();

    pid_t pid_ = -1;
    std::string display_;
    int width_;
    int height_;
};

}  // namespace qm::test

// Skips the calling test when Xvfb is missing (the CI installs it; scripts/deps does too).
#define QM_SKIP_WITHOUT_XVFB()                                                               \
    do {                                                                                     \
        if (::qm::test::XvfbFixture::Program().empty()) {                                    \
            GTEST_SKIP() << "Xvfb is not installed (package xvfb): X display tests skipped"; \
        }                                                                                    \
    } while (false)
