#include "desktop/x11/XTestDesktop.h"

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
#include <string>
#include <vector>

#include "desktop/keysyms/AnsiKeysym.h"
#include "desktop/keysyms/KeyKeysyms.h"
#include "desktop/x11/HeldInputLedger.h"
#include "desktop/x11/InputState.h"
#include "desktop/x11/KeyLookup.h"
#include "desktop/x11/LastDitchRelease.h"
#include "desktop/x11/PrimaryMonitor.h"
#include "desktop/x11/SpareKeycodes.h"
#include "desktop/x11/XDisplay.h"
#include "diag/Cp1252.h"
#include "diag/Trace.h"

namespace qm {

namespace {

constexpr const char* kType = "XTestDesktop.Type";
constexpr const char* kKey = "XTestDesktop.Key";
// X numbers the pointer's buttons 1 (left), 2 (middle) and 3 (right).
constexpr unsigned ButtonNumber(Button button) {
    return button == Button::Left ? 1U : button == Button::Middle ? 2U : 3U;
}
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

// C0, DEL and C1: typed as themselves they would reach programs as keys that type nothing.
bool IsControl(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
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

XTestDesktop::XTestDesktop(const std::string& displayName)
    : display_(std::make_unique<x11::XDisplay>(displayName)),
      spareKeycodes_(std::make_unique<x11::SpareKeycodes>(display_->Get())),
      heldLedger_(std::make_unique<x11::HeldInputLedger>(display_->Get())),
      lastDitch_(std::make_unique<x11::LastDitchRelease>(display_->Get(), heldLedger_->Name())) {
    // Told of every change of the layout, so the one read last can be trusted until then.
    Display* display = display_->Get();
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

XTestDesktop::~XTestDesktop() {
    ReleaseAll();
    // Give the borrowed keycodes back before the connection goes.
    spareKeycodes_.reset();
}

void XTestDesktop::ReleaseAll() {
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
    shiftsHeld_ = 0;
    unsent_ = false;
    XSync(display, False);
    taken_ = false;
    heldLedger_->Sent(heldKeys_, heldButtons_);
}

void XTestDesktop::ReleaseAllAtOnce() noexcept {
    // Whatever may be down is on record, keys whose release still waits in Xlib's buffer among it.
    lastDitch_->Release(heldKeys_ | heldLedger_->Keys(), heldButtons_ | heldLedger_->Buttons());
}

void XTestDesktop::BeginBatch() {
    ++batches_;
}

void XTestDesktop::EndBatch() {
    if (batches_ > 0) {
        --batches_;
    }
}

void XTestDesktop::Flush() {
    if (unsent_) {
        Send();
    }
}

void XTestDesktop::Send() {
    unsent_ = false;
    XFlush(display_->Get());
    // The record comes down to what stays held only once the releases are on their way; it
    // goes with the next requests.
    heldLedger_->Sent(heldKeys_, heldButtons_);
    // Xlib's flush has also read what the server sent and queued it.
    taken_ = !DrainEvents();
}

void XTestDesktop::FakeKey(unsigned keycode, bool press) {
    if (press) {
        heldLedger_->PressingKey(keycode);
    }
    XTestFakeKeyEvent(display_->Get(), keycode, press ? True : False, CurrentTime);
    heldKeys_[keycode] = press;
    spareKeycodes_->Sent(keycode);
}

void XTestDesktop::FakeButton(unsigned button, bool press) {
    if (press) {
        heldLedger_->PressingButton(button);
    }
    XTestFakeButtonEvent(display_->Get(), button, press ? True : False, CurrentTime);
    heldButtons_[button] = press;
}

void XTestDesktop::Requested() {
    unsent_ = true;
    if (batches_ == 0) {
        Send();
    }
}

void XTestDesktop::MoveBy(std::int32_t dx, std::int32_t dy) {
    if (dx == 0 && dy == 0) {
        return;
    }
    Requesting();
    XTestFakeRelativeMotionEvent(display_->Get(), dx, dy, CurrentTime);
    Requested();
}

void XTestDesktop::MoveTo(Point position) {
    const x11::ScreenArea& primary = Primary();
    Requesting();
    XTestFakeMotionEvent(display_->Get(), -1, primary.x + position.x, primary.y + position.y, CurrentTime);
    Requested();
}

void XTestDesktop::Press(Button button) {
    Requesting();
    FakeButton(ButtonNumber(button), true);
    Requested();
}

void XTestDesktop::Release(Button button) {
    Requesting();
    FakeButton(ButtonNumber(button), false);
    Requested();
}

void XTestDesktop::Turn(Wheel wheel) {
    const unsigned button = wheel == Wheel::Up     ? kWheelUp
                            : wheel == Wheel::Down ? kWheelDown
                            : wheel == Wheel::Left ? kWheelLeft
                                                   : kWheelRight;
    Requesting();
    FakeButton(button, true);
    FakeButton(button, false);
    Requested();
}

bool XTestDesktop::HasKey(Key key) {
    return KeycodeFor(key) != 0;
}

void XTestDesktop::Press(Key key) {
    SendKey(key, true);
}

void XTestDesktop::Release(Key key) {
    SendKey(key, false);
}

void XTestDesktop::SendKey(Key key, bool press) {
    const unsigned keycode = KeycodeFor(key);
    if (keycode == 0) {
        return;  // traced when it was looked up
    }
    if (IsShift(key)) {
        shiftsHeld_ += press ? 1 : -1;
    }
    Requesting();
    FakeKey(keycode, press);
    Requested();
}

Typing XTestDesktop::HowToType(char character) {
    if (KeyForCharacter(static_cast<unsigned char>(character))) {
        return Typing::ByKey;
    }
    const std::optional<char32_t> unicode = Cp1252ToUnicode(static_cast<unsigned char>(character));
    return unicode && !IsControl(*unicode) ? Typing::AsCharacter : Typing::Not;
}

void XTestDesktop::Type(char character) {
    const std::optional<CharacterKey> key = KeyForCharacter(static_cast<unsigned char>(character));
    if (!key) {
        const std::optional<char32_t> unicode = Cp1252ToUnicode(static_cast<unsigned char>(character));
        if (unicode && !IsControl(*unicode)) {
            Requesting();
            TypeOnLentKey(*unicode);
            Requested();
        }
        return;
    }
    // A Shift already held gives the character its Shift; its own would let go of it before the
    // key. Without AltGr the key would type another character, so AltGr goes around it all.
    const unsigned shift = key->shift && shiftsHeld_ == 0 ? ModifierKeycode(false) : 0;
    const unsigned levelThree = key->levelThree ? ModifierKeycode(true) : 0;
    Requesting();
    if (levelThree != 0) {
        FakeKey(levelThree, true);
    }
    if (shift != 0) {
        // Shift is released before the key: the key press has already produced the character.
        FakeKey(shift, true);
        FakeKey(key->keycode, true);
        FakeKey(shift, false);
    } else {
        FakeKey(key->keycode, true);
    }
    FakeKey(key->keycode, false);
    if (levelThree != 0) {
        FakeKey(levelThree, false);
    }
    Requested();
}

void XTestDesktop::TypeOnLentKey(char32_t character) {
    const Keysym keysym = KeysymForUnicode(character);
    // A Shift held gives the character its Shift; without a Shift key only the plain level types.
    const unsigned shift = shiftsHeld_ == 0 ? ModifierKeycode(false) : 0;
    const x11::SpareKeycodes::Reach reach = shiftsHeld_ > 0 ? x11::SpareKeycodes::Reach::Shifted
                                            : shift != 0    ? x11::SpareKeycodes::Reach::Either
                                                            : x11::SpareKeycodes::Reach::Plain;
    const std::uint64_t changes = spareKeycodes_->Changes();
    const x11::SpareKeycodes::Place place = spareKeycodes_->BindCharacter(keysym, reach, heldKeys_);
    if (spareKeycodes_->Changes() != changes) {
        // A lent keycode is no key of the layout's, and a key's lent keycode may now type a character.
        ForgetAnswers();
    }
    if (place.keycode == 0) {
        const char* why = keysym == kNoKeysym ? ": no key types it" : ": no spare key could be bound";
        Trace(kType, TraceError,
              "Cannot type U+" + Hex(static_cast<unsigned>(character)) + why + " - not sent");
        return;
    }
    if (place.shift && shift != 0) {
        FakeKey(shift, true);
        FakeKey(place.keycode, true);
        FakeKey(shift, false);
    } else {
        FakeKey(place.keycode, true);
    }
    FakeKey(place.keycode, false);
}

unsigned XTestDesktop::ModifierKeycode(bool levelThree) {
    std::optional<unsigned>& kept = levelThree ? levelThreeKeycode_ : shiftKeycode_;
    if (!kept) {
        const std::optional<x11::KeyChoice> modifier =
            levelThree
                ? Layout().LevelThreeKey(group_)
                : Layout().ModifierKey(group_, {XK_Shift_L, XK_Shift_R}, ~static_cast<unsigned>(ShiftMask));
        kept = modifier ? modifier->keycode : 0u;
    }
    return *kept;
}

void XTestDesktop::ForgetAnswers() {
    charactersAnswered_.reset();
    keycodesAnswered_.reset();
    shiftKeycode_.reset();
    levelThreeKeycode_.reset();
}

const std::optional<XTestDesktop::CharacterKey>& XTestDesktop::KeyForCharacter(unsigned char character) {
    // Notices already sent are read without waiting, the group among them; what they change
    // is looked up again.
    TakeNotices();
    if (!charactersAnswered_[character]) {
        const std::optional<x11::KeyChoice> choice = FindLayoutKey(KeysymsForAnsi(character));
        characters_[character] = std::nullopt;
        if (choice) {
            // The lookup offers no modifier but Shift and the level-three shift.
            characters_[character] =
                CharacterKey{choice->keycode, (choice->modifiers & ShiftMask) != 0,
                             (choice->modifiers & ~static_cast<unsigned>(ShiftMask)) != 0};
        }
        charactersAnswered_[character] = true;
    }
    return characters_[character];
}

std::optional<x11::KeyChoice> XTestDesktop::FindLayoutKey(const std::vector<Keysym>& keysyms) {
    // A lent keycode is no key of the layout's.
    return Layout().FindKey(group_, keysyms,
                            [this](unsigned keycode) { return spareKeycodes_->Owns(keycode); });
}

unsigned XTestDesktop::KeycodeFor(Key key) {
    TakeNotices();
    const auto index = static_cast<std::size_t>(key);
    if (!keycodesAnswered_[index]) {
        const unsigned keycode = LookUpKeycode(key);
        // Binding a spare keycode forgets the answers; this one holds until the next change.
        keycodes_[index] = keycode;
        keycodesAnswered_[index] = true;
    }
    return keycodes_[index];
}

unsigned XTestDesktop::LookUpKeycode(Key key) {
    // Shift and the level-three shift are found as the characters' Shift and AltGr are.
    if (key == Key::Shift || key == Key::RightAlt) {
        if (const unsigned keycode = ModifierKeycode(key == Key::RightAlt); keycode != 0) {
            return keycode;
        }
    }
    const std::vector<Keysym> keysyms = KeysymsForKey(key);
    if (keysyms.empty()) {
        Trace(kKey, TraceError, std::string("No X keysym for the key ") + KeyName(key));
        return 0;
    }
    // In the order of preference: the first keysym the layout has a key for.
    for (const Keysym keysym : keysyms) {
        if (const std::optional<x11::KeyChoice> choice = FindLayoutKey({keysym})) {
            return choice->keycode;
        }
    }
    const std::uint64_t changes = spareKeycodes_->Changes();
    const unsigned spare = spareKeycodes_->BindKey(keysyms.front(), heldKeys_);
    // Binding waits for the server, and so may have read notices DrainEvents has not seen.
    taken_ = false;
    if (spareKeycodes_->Changes() != changes) {
        // The keycodes lent out may have changed, and a lent keycode is no key of the layout's.
        ForgetAnswers();
    }
    if (spare == 0) {
        Trace(kKey, TraceError,
              std::string("No key on the layout for the key ") + KeyName(key) +
                  " and no spare key could be bound");
    }
    return spare;
}

Point XTestDesktop::PointerPosition() {
    const x11::PointerState pointer = x11::QueryPointer(display_->Get());
    taken_ = false;
    const x11::ScreenArea& primary = Primary();
    return Point{pointer.x - primary.x, pointer.y - primary.y};
}

Size XTestDesktop::ScreenSize() {
    const x11::ScreenArea& primary = Primary();
    return {primary.width, primary.height};
}

const x11::ScreenArea& XTestDesktop::Primary() {
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

const x11::KeyboardLayout& XTestDesktop::Layout() {
    TakeNotices();
    if (!layout_) {
        layout_ = std::make_unique<x11::KeyboardLayout>(display_->Get());
        taken_ = false;
    }
    return *layout_;
}

void XTestDesktop::TakeNotices() {
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

bool XTestDesktop::DrainEvents() {
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
            spareKeycodes_->KeyboardChanged();
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
                spareKeycodes_->KeyboardChanged();
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
