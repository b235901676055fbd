#include "mouse/x11/XTestInjector.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdio>

#include "diag/Trace.h"
#include "mouse/x11/AnsiKeysym.h"
#include "mouse/x11/KeyLookup.h"
#include "mouse/x11/SpareKeycodes.h"
#include "mouse/x11/XDisplay.h"

namespace qm {

namespace {

constexpr const char* kSendInput = "XTestInjector.SendInput";
constexpr std::int16_t kNoKey = -1;
constexpr unsigned kLeftButton = 1;
constexpr unsigned kRightButton = 3;

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// The flags of the Windows answer for a modifier state; AltGr is Ctrl+Alt there.
std::uint16_t AnswerFlags(unsigned modifiers) {
    std::uint16_t flags = 0;
    if (modifiers & ShiftMask) {
        flags |= 0x100;
    }
    if (modifiers & ControlMask) {
        flags |= 0x200;
    }
    if (modifiers & Mod1Mask) {
        flags |= 0x400;
    }
    if (modifiers & Mod5Mask) {
        flags |= 0x600;
    }
    return flags;
}

}  // namespace

XTestInjector::XTestInjector(const std::string& displayName)
    : display_(std::make_unique<x11::XDisplay>(displayName)),
      spareKeycodes_(std::make_unique<x11::SpareKeycodes>(display_->Get())) {}

XTestInjector::~XTestInjector() {
    // Give the borrowed keycodes back before the connection goes.
    spareKeycodes_.reset();
}

const std::string& XTestInjector::DisplayName() const {
    return display_->Name();
}

void XTestInjector::SendInput(std::span<const InputRecord> records) {
    for (const InputRecord& record : records) {
        if (record.type == INPUT_MOUSE) {
            SendMouse(record.mi);
        } else if (record.type == INPUT_KEYBOARD) {
            SendKey(record.ki);
        } else {
            Trace(kSendInput, TraceError, "Unknown input record type " + std::to_string(record.type));
        }
    }
    XFlush(display_->Get());
    DrainEvents();
}

void XTestInjector::SendMouse(const MouseInput& mouse) {
    Display* display = display_->Get();
    if ((mouse.dwFlags & MOUSEEVENTF_MOVE) && (mouse.dx != 0 || mouse.dy != 0)) {
        XTestFakeRelativeMotionEvent(display, mouse.dx, mouse.dy, CurrentTime);
    }
    // The order a single record's buttons take on Windows: left before right, down before up.
    if (mouse.dwFlags & MOUSEEVENTF_LEFTDOWN) {
        XTestFakeButtonEvent(display, kLeftButton, True, CurrentTime);
    }
    if (mouse.dwFlags & MOUSEEVENTF_LEFTUP) {
        XTestFakeButtonEvent(display, kLeftButton, False, CurrentTime);
    }
    if (mouse.dwFlags & MOUSEEVENTF_RIGHTDOWN) {
        XTestFakeButtonEvent(display, kRightButton, True, CurrentTime);
    }
    if (mouse.dwFlags & MOUSEEVENTF_RIGHTUP) {
        XTestFakeButtonEvent(display, kRightButton, False, CurrentTime);
    }
}

void XTestInjector::SendKey(const KeyboardInput& key) {
    if (key.dwFlags & KEYEVENTF_UNICODE) {
        SendCharacter(key);
        return;
    }
    const unsigned keycode = KeycodeForKey(key.wVk);
    if (keycode == 0) {
        Trace(kSendInput, TraceError, "No X key for key " + std::to_string(key.wVk) + " - not sent");
        return;
    }
    XTestFakeKeyEvent(display_->Get(), keycode, (key.dwFlags & KEYEVENTF_KEYUP) ? False : True, CurrentTime);
}

void XTestInjector::SendCharacter(const KeyboardInput& key) {
    const x11::Keysym keysym = x11::KeysymForUnicode(key.wScan);
    const bool press = (key.dwFlags & KEYEVENTF_KEYUP) == 0;
    const unsigned keycode = press ? spareKeycodes_->Bind(keysym) : spareKeycodes_->Bound(keysym);
    if (keycode == 0) {
        Trace(kSendInput, TraceError,
              "Cannot type U+" + Hex(key.wScan) +
                  (press ? ": no spare key could be bound" : ": it is not held") + " - not sent");
        return;
    }
    XTestFakeKeyEvent(display_->Get(), keycode, press ? True : False, CurrentTime);
}

unsigned XTestInjector::KeycodeForKey(std::uint16_t key) {
    Display* display = display_->Get();
    if (key == VK_SHIFT) {
        const std::optional<x11::KeyChoice> shift = x11::FindKey(display, {XK_Shift_L, XK_Shift_R});
        return shift && shift->modifiers == 0 ? shift->keycode : 0;
    }
    if (key == kNoKeyByte) {
        return 0;
    }
    const unsigned keycode = key == kKeycode16 ? 16u : key;
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    // XTest ends the program over a keycode outside the server's range.
    if (keycode < static_cast<unsigned>(minKeycode) || keycode > static_cast<unsigned>(maxKeycode)) {
        return 0;
    }
    return keycode;
}

std::int16_t XTestInjector::VkKeyScanA(char character) {
    const std::optional<x11::KeyChoice> choice = x11::FindKey(
        display_->Get(), x11::KeysymsForAnsi(static_cast<unsigned char>(character)),
        [this](unsigned keycode) { return keycode == kNoKeyByte || spareKeycodes_->Owns(keycode); });
    if (!choice) {
        return kNoKey;
    }
    const std::uint16_t key =
        choice->keycode == 16 ? kKeycode16 : static_cast<std::uint16_t>(choice->keycode);
    return static_cast<std::int16_t>(key | AnswerFlags(choice->modifiers));
}

Point XTestInjector::GetCursorPos() {
    Display* display = display_->Get();
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX, &windowY,
                  &mask);
    return Point{rootX, rootY};
}

std::int32_t XTestInjector::GetSystemMetrics(std::int32_t index) {
    if (index != SM_CXSCREEN && index != SM_CYSCREEN) {
        return 0;
    }
    // Asked each time: the screen may have been resized since the connection was opened.
    Display* display = display_->Get();
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (!XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height, &border, &depth)) {
        return 0;
    }
    return static_cast<std::int32_t>(index == SM_CXSCREEN ? width : height);
}

void XTestInjector::DrainEvents() {
    // Nothing is asked for, but layout changes are announced to every client; keep Xlib's
    // copy current and the queue from growing.
    Display* display = display_->Get();
    while (XEventsQueued(display, QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        }
    }
}

}  // namespace qm
