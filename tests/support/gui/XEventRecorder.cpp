#include "support/gui/XEventRecorder.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <clocale>
#include <cstdio>
#include <stdexcept>
#include <tuple>

#include "support/gui/XvfbFixture.h"

namespace qm::test {

Looker::Looker(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    if (display_ == nullptr) {
        throw std::runtime_error("cannot open X display " + display);
    }
}

Looker::~Looker() {
    XCloseDisplay(display_);
}

bool Looker::TrayManagerPresent() {
    return XGetSelectionOwner(display_, XInternAtom(display_, "_NET_SYSTEM_TRAY_S0", False)) != None;
}

std::optional<std::pair<unsigned long, std::string>> Looker::FindNamed(const std::string& prefix) {
    return Search(DefaultRootWindow(display_),
                  [&](unsigned long, const std::string& name) { return name.rfind(prefix, 0) == 0; });
}

unsigned long Looker::WaitShown(const std::string& name, std::chrono::milliseconds timeout) {
    std::optional<std::pair<unsigned long, std::string>> found;
    const auto shown = [&](unsigned long window, const std::string& its) {
        XWindowAttributes attributes{};
        return its == name && XGetWindowAttributes(display_, window, &attributes) != 0 &&
               attributes.map_state == IsViewable && !attributes.override_redirect;
    };
    Eventually([&] { return (found = Search(DefaultRootWindow(display_), shown)).has_value(); }, timeout);
    return found ? found->first : 0;
}

bool Looker::Viewable(unsigned long window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

std::pair<int, int> Looker::ToRoot(unsigned long window, int x, int y) {
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
    return {rootX, rootY};
}

std::pair<int, int> Looker::Centre(unsigned long window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window, &attributes);
    return ToRoot(window, attributes.width / 2, attributes.height / 2);
}

void Looker::Close(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

void Looker::KillClientOf(unsigned long window) {
    XKillClient(display_, window);
    XSync(display_, False);
}

std::string Looker::NameOf(unsigned long window) {
    // Qt names its windows in UTF-8 (_NET_WM_NAME).
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0, 4096, False,
                           XInternAtom(display_, "UTF8_STRING", False), &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return name;
}

std::optional<std::pair<unsigned long, std::string>> Looker::Search(
    unsigned long window, const std::function<bool(unsigned long, const std::string&)>& wanted) {
    const std::string name = NameOf(window);
    if (!name.empty() && wanted(window, name)) {
        return std::make_pair(window, name);
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) {
        return std::nullopt;
    }
    std::optional<std::pair<unsigned long, std::string>> found;
    for (unsigned i = 0; i < count && !found; ++i) {
        found = Search(children[i], wanted);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

XEventRecorder::XEventRecorder(const std::string& display) : Looker(display) {
    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask =
        KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    window_ = XCreateWindow(display_, RootWindow(display_, screen), 0, 0,
                            static_cast<unsigned>(DisplayWidth(display_, screen)),
                            static_cast<unsigned>(DisplayHeight(display_, screen)), 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    // Not redirected to a window manager: mapped once the server has taken the request.
    XMapRaised(display_, window_);
    XSync(display_, False);
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);

    // The input method decodes in the locale it is opened in; a UTF-8 one, whatever the process's.
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    if (std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr && XSupportsLocale()) {
        XSetLocaleModifiers("@im=none");
        inputMethod_ = XOpenIM(display_, nullptr, nullptr, nullptr);
        if (inputMethod_ != nullptr) {
            inputContext_ = XCreateIC(inputMethod_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
                                      XNClientWindow, window_, XNFocusWindow, window_, nullptr);
        }
    }
    std::setlocale(LC_CTYPE, previous.c_str());
    if (inputContext_ == nullptr) {
        throw std::runtime_error("no UTF-8 input context on " + display);
    }
}

// Made or thrown for in the constructor: both are there.
XEventRecorder::~XEventRecorder() {
    XDestroyIC(inputContext_);
    XCloseIM(inputMethod_);
}

bool XEventRecorder::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (Read(); !done(); Read()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&connection, 1, 10);
    }
    return true;
}

bool XEventRecorder::WaitForEvents(std::size_t count, std::chrono::milliseconds timeout) {
    return WaitUntil([this, count] { return events_.size() >= count; }, timeout);
}

void XEventRecorder::Read() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        Record(event);
    }
}

void XEventRecorder::Record(XEvent& event) {
    switch (event.type) {
        case MappingNotify:
            // The layout changed: translate the keys that follow with the new one.
            XRefreshKeyboardMapping(&event.xmapping);
            break;
        case KeyPress:
        case KeyRelease: {
            char text[16];
            KeySym keysym = NoSymbol;
            XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
            // Xlib allocates the names of Unicode keysyms afresh each time and never frees them.
            char unicode[16];
            std::snprintf(unicode, sizeof unicode, "U%04lX", keysym & 0xFFFFFFul);
            const char* name = keysym == NoSymbol                           ? nullptr
                               : keysym >= 0x1000100 && keysym <= 0x110FFFF ? unicode
                                                                            : XKeysymToString(keysym);
            events_.push_back(std::string(event.type == KeyPress ? "+" : "-") +
                              (name != nullptr ? name : "keycode" + std::to_string(event.xkey.keycode)));
            if (event.type == KeyPress) {
                char utf8[32];
                Status status = 0;
                const int length =
                    Xutf8LookupString(inputContext_, &event.xkey, utf8, sizeof utf8, nullptr, &status);
                if (status == XLookupChars || status == XLookupBoth) {
                    text_.append(utf8, static_cast<std::size_t>(length));
                }
            }
            break;
        }
        case ButtonPress:
        case ButtonRelease:
            events_.push_back(std::string(event.type == ButtonPress ? "+" : "-") + "button" +
                              std::to_string(event.xbutton.button));
            break;
        case MotionNotify:
            motions_.emplace_back(event.xmotion.x_root - x_, event.xmotion.state);
            x_ = event.xmotion.x_root;
            break;
        default:
            break;
    }
}

// The pointer's place and the modifiers and buttons held.
static std::tuple<int, int, unsigned> QueryPointer(Display* display) {
    Window root = 0, child = 0;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX, &windowY, &mask);
    return {x, y, mask};
}

std::pair<int, int> Looker::Pointer() {
    const auto [x, y, mask] = QueryPointer(display_);
    return {x, y};
}

std::string Looker::Held() {
    std::string held;
    char keys[32];
    XQueryKeymap(display_, keys);
    for (int keycode = 0; keycode < 256; ++keycode) {
        if (keys[keycode / 8] & (1 << (keycode % 8))) {
            held += "keycode " + std::to_string(keycode) + " ";
        }
    }
    // Modifiers and buttons; Lock and NumLock are states rather than keys held.
    if (const unsigned pressed = std::get<2>(QueryPointer(display_)) & 0x1FFFu & ~(LockMask | Mod2Mask);
        pressed != 0) {
        held += "mask " + std::to_string(pressed);
    }
    return held;
}

void Looker::WarpPointer(int x, int y) {
    XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
    XSync(display_, False);
}

}  // namespace qm::test
