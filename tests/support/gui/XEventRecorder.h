#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct _XDisplay;
union _XEvent;
struct _XIM;
struct _XIC;

namespace qm::test {

// A second X client that sees injected input the way an application does: a full-screen
// window with the keyboard focus that records key and button events as they arrive, each
// key translated with the layout of that moment (including the modifiers held).
//
// Events read as "+A" / "-a" (key press / release, the keysym name typed) and "+button1" /
// "-button1". The text the key presses type is kept as well, read the way an application reads
// it (Xutf8LookupString, no composing).
class XEventRecorder {
public:
    // Throws std::runtime_error when the display cannot be opened.
    explicit XEventRecorder(const std::string& display);
    ~XEventRecorder();
    XEventRecorder(const XEventRecorder&) = delete;
    XEventRecorder& operator=(const XEventRecorder&) = delete;

    // Reads events until done() holds or the timeout passes; returns done()'s last answer.
    bool WaitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits until at least count events are recorded.
    bool WaitForEvents(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    const std::vector<std::string>& Events() const { return events_; }
    // UTF-8.
    const std::string& Text() const { return text_; }
    void Clear() {
        events_.clear();
        text_.clear();
    }

    // The keys and the modifiers or buttons held on the display now; empty when none is.
    std::string Held();

    // The pointer as this client sees it, and a move of it (both waited for).
    std::pair<int, int> Pointer();
    void WarpPointer(int x, int y);

private:
    void Read();
    void Record(_XEvent& event);

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    _XIM* inputMethod_ = nullptr;
    _XIC* inputContext_ = nullptr;
    std::vector<std::string> events_;
    std::string text_;
};

}  // namespace qm::test
