#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct _XDisplay;
union _XEvent;
struct _XIM;
struct _XIC;

namespace qm::test {

// A plain X client that looks at the display: windows by name, the pointer, and what is held.
class Looker {
public:
    // Throws std::runtime_error when the display cannot be opened.
    explicit Looker(const std::string& display);
    virtual ~Looker();
    Looker(const Looker&) = delete;
    Looker& operator=(const Looker&) = delete;

    bool TrayManagerPresent();
    // The first window whose name begins with prefix, with its name.
    std::optional<std::pair<unsigned long, std::string>> FindNamed(const std::string& prefix);
    // Waits for the window on screen with this very name; 0 when it did not come. Pop-ups (menus,
    // open lists) are not windows of their own here, whatever their names.
    unsigned long WaitShown(const std::string& name,
                            std::chrono::milliseconds timeout = std::chrono::seconds(15));
    bool Viewable(unsigned long window);
    // A point of a window (its top left corner by default) in root coordinates.
    std::pair<int, int> ToRoot(unsigned long window, int x = 0, int y = 0);
    std::pair<int, int> Centre(unsigned long window);
    // Asks a top-level window to close, as a window manager's close button does.
    void Close(unsigned long window);
    // Cuts the connection that made the window, as a window manager's force-quit does.
    void KillClientOf(unsigned long window);

    // The keys and the modifiers or buttons held on the display now; empty when none is.
    std::string Held();
    // The pointer as this client sees it, and a move of it (both waited for).
    std::pair<int, int> Pointer();
    void WarpPointer(int x, int y);

protected:
    _XDisplay* display_;

private:
    std::string NameOf(unsigned long window);
    std::optional<std::pair<unsigned long, std::string>> Search(
        unsigned long window, const std::function<bool(unsigned long, const std::string&)>& wanted);
};

// A second X client that sees injected input the way an application does: a full-screen
// window with the keyboard focus that records key and button events as they arrive, each
// key translated with the layout of that moment (including the modifiers held).
//
// Events read as "+A" / "-a" (key press / release, the keysym name typed) and "+button1" /
// "-button1". The text the key presses type is kept as well, read the way an application reads
// it (Xutf8LookupString, no composing).
class XEventRecorder final : public Looker {
public:
    explicit XEventRecorder(const std::string& display);
    ~XEventRecorder() override;

    // Reads events until done() holds or the timeout passes; returns done()'s last answer.
    bool WaitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits until at least count events are recorded.
    bool WaitForEvents(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    const std::vector<std::string>& Events() const { return events_; }
    // UTF-8.
    const std::string& Text() const { return text_; }
    // Each pointer motion's horizontal step and the buttons held during it.
    const std::vector<std::pair<int, unsigned>>& Motions() const { return motions_; }
    void Clear() {
        Read();
        events_.clear();
        text_.clear();
        motions_.clear();
        x_ = Pointer().first;
    }

private:
    void Read();
    void Record(_XEvent& event);

    unsigned long window_ = 0;
    _XIM* inputMethod_ = nullptr;
    _XIC* inputContext_ = nullptr;
    std::vector<std::string> events_;
    std::string text_;
    std::vector<std::pair<int, unsigned>> motions_;
    int x_ = 0;
};

}  // namespace qm::test
