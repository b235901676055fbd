#include "desktop/x11/XTestInjector.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XKBproto.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include <sys/ioctl.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "desktop/x11/AnsiKeysym.h"
#include "desktop/x11/KeyLookup.h"
#include "desktop/x11/PrimaryMonitor.h"
#include "desktop/x11/SpareKeycodes.h"
#include "desktop/x11/VirtualKeysyms.h"
#include "desktop/x11/XDisplay.h"
#include "diag/Trace.h"

namespace qm {

namespace {

constexpr const char* kSendInput = "XTestInjector.SendInput";
constexpr const char* kKeyForVirtualKey = "XTestInjector.KeyForVirtualKey";
constexpr std::int16_t kNoKey = -1;
constexpr unsigned kLeftButton = 1;
constexpr unsigned kMiddleButton = 2;
constexpr unsigned kRightButton = 3;
// X has no wheel: each notch is a click of a button of its own.
constexpr unsigned kWheelUp = 4;
constexpr unsigned kWheelDown = 5;
constexpr unsigned kWheelLeft = 6;
constexpr unsigned kWheelRight = 7;

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// The flags of the Windows answer for the modifiers a key needs: Shift, and AltGr, which is
// Ctrl+Alt there. The lookup offers no other modifier.
std::uint16_t AnswerFlags(unsigned modifiers) {
    std::uint16_t flags = 0;
    if (modifiers & ShiftMask) {
        flags |= 0x100;
    }
    if (modifiers & ~static_cast<unsigned>(ShiftMask)) {
        flags |= 0x600;
    }
    return flags;
}

// The server announces a new keyboard each time the core keyboard takes its keys from another
// of its devices (the XTest device among them, after every key we send), naming a map request
// it did not receive. A real change of the layout comes as a map notice or with the request
// that made it, so such a notice with the same key range leaves the layout as it was.
bool SameKeysOnAnotherDevice(const XkbNewKeyboardNotifyEvent& notice, int xkbOpcode) {
    return notice.xkb_type == XkbNewKeyboardNotify && notice.req_major == xkbOpcode &&
           notice.req_minor == X_kbSetMap && notice.min_key_code == notice.old_min_key_code &&
           notice.max_key_code == notice.old_max_key_code;
}

}  // namespace

XTestInjector::XTestInjector(const std::string& displayName)
    : display_(std::make_unique<x11::XDisplay>(displayName)),
      spareKeycodes_(std::make_unique<x11::SpareKeycodes>(display_->Get())) {
    // Told of every change of the layout, so the one read last can be trusted until then.
    Display* display = display_->Get();
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    minKeycode_ = static_cast<unsigned>(minKeycode);
    maxKeycode_ = static_cast<unsigned>(maxKeycode);
    int opcode = 0;
    int errorBase = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (XkbQueryExtension(display, &opcode, &xkbEventBase_, &errorBase, &major, &minor)) {
        xkbOpcode_ = opcode;
        const unsigned long changes = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(display, XkbUseCoreKbd, changes, changes);
        // The group is followed from its notices, not asked for per key: a key must not wait for
        // the server. Only group changes are asked for, so that the modifiers pressed here for
        // Shift and AltGr cause no traffic back.
        XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask, XkbGroupStateMask);
        group_ = x11::CurrentGroup(display);
    } else {
        xkbEventBase_ = -1;
    }
    // Told of every change of the screen's size, its outputs and its monitors.
    int randrErrorBase = 0;
    int randrMajor = 0;
    int randrMinor = 0;
    if (XRRQueryExtension(display, &randrEventBase_, &randrErrorBase) &&
        XRRQueryVersion(display, &randrMajor, &randrMinor) &&
        (randrMajor > 1 || (randrMajor == 1 && randrMinor >= 5))) {
        XRRSelectInput(display, DefaultRootWindow(display),
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    } else {
        randrEventBase_ = -1;
    }
}

XTestInjector::~XTestInjector() {
    ReleaseAll();
    // Give the borrowed keycodes back before the connection goes.
    spareKeycodes_.reset();
}

void XTestInjector::ReleaseAll() {
    Display* display = display_->Get();
    for (unsigned keycode = 0; keycode < heldKeys_.size(); ++keycode) {
        if (heldKeys_[keycode]) {
            XTestFakeKeyEvent(display, keycode, False, CurrentTime);
        }
    }
    for (unsigned button = 0; button < heldButtons_.size(); ++button) {
        if (heldButtons_[button]) {
            XTestFakeButtonEvent(display, button, False, CurrentTime);
        }
    }
    heldKeys_.reset();
    heldButtons_.reset();
    unsent_ = false;
    XSync(display, False);
    taken_ = false;
}

void XTestInjector::BeginBatch() {
    ++batches_;
}

void XTestInjector::EndBatch() {
    if (batches_ > 0) {
        --batches_;
    }
}

void XTestInjector::Flush() {
    if (unsent_) {
        Send();
    }
}

void XTestInjector::Send() {
    unsent_ = false;
    XFlush(display_->Get());
    // Xlib's flush has also read what the server sent and queued it.
    taken_ = !DrainEvents();
}

void XTestInjector::FakeKey(unsigned keycode, bool press) {
    XTestFakeKeyEvent(display_->Get(), keycode, press ? True : False, CurrentTime);
    heldKeys_[keycode] = press;
}

void XTestInjector::FakeButton(unsigned button, bool press) {
    XTestFakeButtonEvent(display_->Get(), button, press ? True : False, CurrentTime);
    heldButtons_[button] = press;
}

void XTestInjector::SendInput(std::span<const InputRecord> records) {
    // A request may fill Xlib's buffer and so write, and read, before the flush.
    taken_ = false;
    for (const InputRecord& record : records) {
        if (record.type == INPUT_MOUSE) {
            SendMouse(record.mi);
        } else if (record.type == INPUT_KEYBOARD) {
            SendKey(record.ki);
        } else {
            Trace(kSendInput, TraceError, "Unknown input record type " + std::to_string(record.type));
        }
    }
    unsent_ = true;
    if (batches_ == 0) {
        Send();
    }
}

void XTestInjector::SendMouse(const MouseInput& mouse) {
    Display* display = display_->Get();
    if ((mouse.dwFlags & MOUSEEVENTF_MOVE) && (mouse.dx != 0 || mouse.dy != 0)) {
        XTestFakeRelativeMotionEvent(display, mouse.dx, mouse.dy, CurrentTime);
    }
    // The order a single record's buttons take on Windows: left before right, down before up.
    if (mouse.dwFlags & MOUSEEVENTF_LEFTDOWN) {
        FakeButton(kLeftButton, true);
    }
    if (mouse.dwFlags & MOUSEEVENTF_LEFTUP) {
        FakeButton(kLeftButton, false);
    }
    if (mouse.dwFlags & MOUSEEVENTF_RIGHTDOWN) {
        FakeButton(kRightButton, true);
    }
    if (mouse.dwFlags & MOUSEEVENTF_RIGHTUP) {
        FakeButton(kRightButton, false);
    }
    if (mouse.dwFlags & MOUSEEVENTF_MIDDLEDOWN) {
        FakeButton(kMiddleButton, true);
    }
    if (mouse.dwFlags & MOUSEEVENTF_MIDDLEUP) {
        FakeButton(kMiddleButton, false);
    }
    const auto wheel = [this](std::uint32_t data, unsigned positive, unsigned negative) {
        // Whole notches only; a part of one is dropped, as the wheel's buttons cannot carry it.
        const std::int32_t distance = static_cast<std::int32_t>(data);
        const unsigned button = distance > 0 ? positive : negative;
        for (std::int32_t notch = 0; notch < std::abs(distance / WHEEL_DELTA); ++notch) {
            FakeButton(button, true);
            FakeButton(button, false);
        }
    };
    if (mouse.dwFlags & MOUSEEVENTF_WHEEL) {
        wheel(mouse.mouseData, kWheelUp, kWheelDown);
    }
    if (mouse.dwFlags & MOUSEEVENTF_HWHEEL) {
        wheel(mouse.mouseData, kWheelRight, kWheelLeft);
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
    FakeKey(keycode, (key.dwFlags & KEYEVENTF_KEYUP) == 0);
}

void XTestInjector::SendCharacter(const KeyboardInput& key) {
    const x11::Keysym keysym = x11::KeysymForUnicode(key.wScan);
    const bool press = (key.dwFlags & KEYEVENTF_KEYUP) == 0;
    const unsigned keycode = press ? spareKeycodes_->Bind(keysym) : spareKeycodes_->Bound(keysym);
    if (press) {
        // The keycodes lent out may have changed, and a lent keycode is no key of the layout's.
        ForgetAnswers();
    }
    if (keycode == 0) {
        const char* why = keysym == x11::kNoKeysym ? ": no key types it"
                          : press                  ? ": no spare key could be bound"
                                                   : ": it is not held";
        Trace(kSendInput, TraceError, "Cannot type U+" + Hex(key.wScan) + why + " - not sent");
        return;
    }
    FakeKey(keycode, press);
}

unsigned XTestInjector::KeycodeForKey(std::uint16_t key) {
    if (key == VK_SHIFT || key == VK_RMENU) {
        return ModifierKeycode(key);
    }
    if (key == kNoKeyByte) {
        return 0;
    }
    const unsigned keycode = key == kKeycode16 ? 16u : key == kKeycode165 ? 165u : key;
    // XTest ends the program over a keycode outside the server's range. The range is kept from
    // the notices: asking Xlib for it would first reload Xlib's own copy of the layout, a round
    // trip, after every notice of a new keyboard.
    if (keycode < minKeycode_ || keycode > maxKeycode_) {
        return 0;
    }
    return keycode;
}

unsigned XTestInjector::ModifierKeycode(std::uint16_t key) {
    std::optional<unsigned>& kept = key == VK_SHIFT ? shiftKeycode_ : levelThreeKeycode_;
    if (!kept) {
        const std::optional<x11::KeyChoice> modifier =
            key == VK_SHIFT
                ? Layout().ModifierKey(group_, {XK_Shift_L, XK_Shift_R}, ~static_cast<unsigned>(ShiftMask))
                : Layout().LevelThreeKey(group_);
        kept = modifier ? modifier->keycode : 0u;
    }
    return *kept;
}

void XTestInjector::ForgetAnswers() {
    answered_.reset();
    virtualKeysAnswered_.reset();
    shiftKeycode_.reset();
    levelThreeKeycode_.reset();
}

std::int16_t XTestInjector::VkKeyScanA(char character) {
    // Notices already sent are read without waiting, the group among them; what they change
    // is looked up again.
    TakeNotices();
    const auto byte = static_cast<unsigned char>(character);
    if (answered_[byte]) {
        return answers_[byte];
    }
    const std::optional<x11::KeyChoice> choice = FindLayoutKey(x11::KeysymsForAnsi(byte));
    std::int16_t answer = kNoKey;
    if (choice) {
        answer = static_cast<std::int16_t>(KeyByte(choice->keycode) | AnswerFlags(choice->modifiers));
    }
    answers_[byte] = answer;
    answered_[byte] = true;
    return answer;
}

std::optional<x11::KeyChoice> XTestInjector::FindLayoutKey(const std::vector<x11::Keysym>& keysyms) {
    // Keycode 255 cannot be a record's key byte, and a lent keycode is no key of the layout's.
    return Layout().FindKey(group_, keysyms, [this](unsigned keycode) {
        return keycode == kNoKeyByte || spareKeycodes_->Owns(keycode);
    });
}

std::uint16_t XTestInjector::KeyByte(unsigned keycode) {
    return keycode == 16 ? kKeycode16 : keycode == 165 ? kKeycode165 : static_cast<std::uint16_t>(keycode);
}

std::uint16_t XTestInjector::KeyForVirtualKey(std::uint8_t vk) {
    TakeNotices();
    if (!virtualKeysAnswered_[vk]) {
        const std::uint16_t key = LookUpVirtualKey(vk);
        // Binding a spare keycode forgets the answers; this one holds until the next change.
        virtualKeys_[vk] = key;
        virtualKeysAnswered_[vk] = true;
    }
    return virtualKeys_[vk];
}

std::uint16_t XTestInjector::LookUpVirtualKey(std::uint8_t vk) {
    // Shift and the level-three shift have key bytes of their own, found as the characters'
    // Shift and AltGr are, so a locked Shift and a character's Shift are the same key.
    if ((vk == VK_SHIFT || vk == VK_RMENU) && ModifierKeycode(vk) != 0) {
        return vk;
    }
    const std::vector<x11::Keysym> keysyms = x11::KeysymsForVirtualKey(vk);
    if (keysyms.empty()) {
        Trace(kKeyForVirtualKey, TraceError, "No X keysym for virtual key " + std::to_string(vk));
        return 0;
    }
    // In the order of preference: the first keysym the layout has a key for.
    for (const x11::Keysym keysym : keysyms) {
        if (const std::optional<x11::KeyChoice> choice = FindLayoutKey({keysym})) {
            return KeyByte(choice->keycode);
        }
    }
    const unsigned spare = spareKeycodes_->Bind(keysyms.front());
    // Binding waits for the server, and so may have read notices DrainEvents has not seen.
    taken_ = false;
    // The keycodes lent out may have changed, and a lent keycode is no key of the layout's.
    ForgetAnswers();
    if (spare == 0) {
        Trace(kKeyForVirtualKey, TraceError,
              "No key on the layout for virtual key " + std::to_string(vk) +
                  " and no spare key could be bound");
        return 0;
    }
    return KeyByte(spare);
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
    taken_ = false;
    const x11::ScreenArea& primary = Primary();
    return Point{rootX - primary.x, rootY - primary.y};
}

std::int32_t XTestInjector::GetSystemMetrics(std::int32_t index) {
    if (index != SM_CXSCREEN && index != SM_CYSCREEN) {
        return 0;
    }
    const x11::ScreenArea& primary = Primary();
    return index == SM_CXSCREEN ? primary.width : primary.height;
}

const x11::ScreenArea& XTestInjector::Primary() {
    Display* display = display_->Get();
    TakeNotices();
    if (primary_) {
        return *primary_;
    }
    const Window rootWindow = DefaultRootWindow(display);
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    x11::ScreenArea screen;
    if (XGetGeometry(display, rootWindow, &root, &x, &y, &width, &height, &border, &depth)) {
        screen = {0, 0, static_cast<int>(width), static_cast<int>(height)};
    }
    std::vector<x11::Monitor> monitors;
    if (randrEventBase_ >= 0) {
        int count = 0;
        if (XRRMonitorInfo* info = XRRGetMonitors(display, rootWindow, True, &count)) {
            for (int i = 0; i < count; ++i) {
                monitors.push_back(
                    {{info[i].x, info[i].y, info[i].width, info[i].height}, info[i].primary != 0});
            }
            XRRFreeMonitors(info);
        }
    }
    primary_ = std::make_unique<x11::ScreenArea>(x11::PrimaryArea(monitors, screen));
    taken_ = false;
    return *primary_;
}

const x11::KeyboardLayout& XTestInjector::Layout() {
    TakeNotices();
    if (!layout_) {
        layout_ = std::make_unique<x11::KeyboardLayout>(display_->Get());
        taken_ = false;
    }
    return *layout_;
}

void XTestInjector::TakeNotices() {
    // Without blocking: the notices the server has sent so far are read and applied. A change
    // another client has completed (its own request answered) has been announced by then.
    // Reading through Xlib goes to the socket even when nothing came, on the way of every
    // key; when nothing read since has escaped DrainEvents, the kernel's count of unread bytes
    // says as much, for less, and Xlib's queue is as DrainEvents left it: empty.
    Display* display = display_->Get();
    int unread = 0;
    if (taken_ && ::ioctl(ConnectionNumber(display), FIONREAD, &unread) == 0 && unread == 0) {
        return;
    }
    XEventsQueued(display, QueuedAfterReading);
    taken_ = !DrainEvents();
}

bool XTestInjector::DrainEvents() {
    // Only changes of the layout and the screen are asked for (the core notice comes to every
    // client): keep Xlib's copy and ours current and the queue from growing.
    Display* display = display_->Get();
    bool handled = false;
    while (XEventsQueued(display, QueuedAlready) > 0) {
        handled = true;
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            layout_.reset();
            ForgetAnswers();
        } else if (xkbEventBase_ >= 0 && event.type == xkbEventBase_) {
            const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
            if (xkb.any.xkb_type == XkbStateNotify) {
                if (group_ != xkb.state.group) {
                    group_ = xkb.state.group;
                    ForgetAnswers();
                }
            } else if (!SameKeysOnAnotherDevice(xkb.new_kbd, xkbOpcode_)) {
                layout_.reset();
                ForgetAnswers();
                if (xkb.any.xkb_type == XkbNewKeyboardNotify) {
                    minKeycode_ = static_cast<unsigned>(xkb.new_kbd.min_key_code);
                    maxKeycode_ = static_cast<unsigned>(xkb.new_kbd.max_key_code);
                }
            }
        } else if (randrEventBase_ >= 0 && (event.type == randrEventBase_ + RRScreenChangeNotify ||
                                            event.type == randrEventBase_ + RRNotify)) {
            XRRUpdateConfiguration(&event);
            primary_.reset();
        }
    }
    return handled;
}

}  // namespace qm
