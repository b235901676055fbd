#include "desktop/x11/XTestInjector.h"

// Before the X headers, whose None macro would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/x11/PrimaryMonitor.h"
#include "diag/Cp1252.h"
#include "input/KeystrokeInjection.h"
#include "support/CoreOsVersions.h"
#include "support/Raised.h"
#include "support/TraceCapture.h"
#include "support/gui/XEventRecorder.h"
#include "support/gui/XvfbFixture.h"

namespace qm {
namespace {

using Events = std::vector<std::string>;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

class XTestInjectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::FindOnPath("Xvfb").empty()) {
            GTEST_SKIP() << "Xvfb is not installed (package xvfb; the CI and scripts/deps install it)";
        }
        xvfb_ = std::make_unique<test::XvfbFixture>(kWidth, kHeight);
        recorder_ = std::make_unique<test::XEventRecorder>(xvfb_->Display());
        injector_ = std::make_unique<XTestInjector>(xvfb_->Display());
        keys_ = std::make_unique<KeystrokeInjection>(*injector_, os_);
    }

    void Send(std::initializer_list<InputRecord> records) {
        injector_->SendInput(std::span<const InputRecord>(records.begin(), records.size()));
    }

    // The events that arrive next, once there are count of them.
    Events Next(std::size_t count) {
        recorder_->WaitForEvents(count);
        Events events = recorder_->Events();
        recorder_->Clear();
        return events;
    }

    // Declared so that the clients go before their server.
    std::unique_ptr<test::XvfbFixture> xvfb_;
    std::unique_ptr<test::XEventRecorder> recorder_;
    std::unique_ptr<XTestInjector> injector_;
    const clsOSInfo os_ = test::NewerInputPathOS();
    std::unique_ptr<KeystrokeInjection> keys_;  // types as the program does
};

TEST_F(XTestInjectorTest, OpensTheNamedOrTheEnvironmentsDisplayAndSaysWhyNot) {
    EXPECT_EQ(injector_->GetSystemMetrics(SM_CXSCREEN), kWidth);
    EXPECT_EQ(injector_->GetSystemMetrics(SM_CYSCREEN), kHeight);
    // The environment's display is the one the end-to-end run's program opens.
    const char* saved = std::getenv("DISPLAY");
    const std::optional<std::string> old = saved ? std::optional<std::string>(saved) : std::nullopt;
    ::unsetenv("DISPLAY");
    const test::Raised none = test::RaisedBy([] { XTestInjector(); });
    old ? ::setenv("DISPLAY", old->c_str(), 1) : ::unsetenv("DISPLAY");
    EXPECT_NE(none.description.find("DISPLAY"), std::string::npos) << none.description;
    const test::Raised missing = test::RaisedBy([] { XTestInjector(":31999"); });
    EXPECT_NE(missing.description.find(":31999"), std::string::npos) << missing.description;
}

// Xvfb has one monitor and no primary one, so the choice among several is tried on lists.
TEST(PrimaryArea, IsThePrimaryMonitorElseTheWholeScreen) {
    using x11::ScreenArea;
    const ScreenArea root{0, 0, 4480, 1440};
    const ScreenArea left{0, 0, 1920, 1080};
    const ScreenArea right{1920, 0, 2560, 1440};
    struct Case {
        std::vector<x11::Monitor> monitors;
        ScreenArea expected;
    };
    for (const Case& c : std::vector<Case>{
             {{{left, false}, {right, true}}, right},
             {{{left, false}, {right, false}}, root},
             {{{{1920, 0, 0, 0}, true}, {left, false}}, root},  // a primary that is switched off
         }) {
        const ScreenArea area = x11::PrimaryArea(c.monitors, root);
        EXPECT_EQ(area, c.expected) << area.x << "," << area.y << " " << area.width << "x" << area.height;
    }
}

// Moves and clicks on both paths; the end-to-end run has the left and middle buttons, the wheels
// and moves. A record with both flags of a button arrives down first; no click moves the pointer.
TEST_F(XTestInjectorTest, MovesAndClicksArriveAsSent) {
    recorder_->WarpPointer(400, 300);
    Send({InputRecord::Mouse(MOUSEEVENTF_MOVE, 7, -5)});
    EXPECT_EQ(injector_->GetCursorPos().x, 407);
    EXPECT_EQ(injector_->GetCursorPos().y, 295);
    injector_->mouse_event(MOUSEEVENTF_MOVE, -120, 45);
    EXPECT_TRUE(recorder_->WaitUntil([&] { return recorder_->Pointer() == std::make_pair(287, 340); }));
    Send({InputRecord::Mouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP)});
    injector_->mouse_event(MOUSEEVENTF_RIGHTDOWN, 0, 0);
    injector_->mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0);
    EXPECT_EQ(Next(4), (Events{"+button1", "-button1", "+button3", "-button3"}));
    EXPECT_EQ(recorder_->Pointer(), std::make_pair(287, 340));
}

// The printable characters on every layout are the case below; here the line controls, which
// are keys of their own, and a borrowed key that held Shift does not turn into something else.
TEST_F(XTestInjectorTest, LineControlsAndBorrowedKeysArriveAsThemselves) {
    for (const char control : {'\r', '\n', '\b', '\t', '\x1b', '\x7f'}) {
        ASSERT_TRUE(keys_->SendKeyCode(static_cast<unsigned char>(control)));
    }
    EXPECT_EQ(Next(12), (Events{"+Return", "-Return", "+Return", "-Return", "+BackSpace", "-BackSpace",
                                "+Tab", "-Tab", "+Escape", "-Escape", "+BackSpace", "-BackSpace"}));
    Send({InputRecord::Key(VK_SHIFT, 0), InputRecord::Key(0, KEYEVENTF_UNICODE, u'\u00E9'),
          InputRecord::Key(VK_SHIFT, KEYEVENTF_KEYUP),
          InputRecord::Key(0, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, u'\u00E9')});
    EXPECT_EQ(Next(4), (Events{"+Shift_L", "+eacute", "-Shift_L", "-eacute"}));
    EXPECT_EQ(injector_->VkKeyScanA('\xE9'), -1) << "a borrowed key is not the layout's own";
    // The other controls and the bytes Windows-1252 leaves undefined are not typed at all, rather
    // than as keys that type nothing: only the key after them arrives.
    for (const int code : {0, 1, 0x1F, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        ASSERT_TRUE(keys_->SendKeyCode(code));
    }
    ASSERT_TRUE(keys_->SendKeyCode('b'));
    EXPECT_EQ(Next(2), (Events{"+b", "-b"}));
}

TEST_F(XTestInjectorTest, BorrowedKeysAndHeldKeysAreGivenBackAtTheEndOrAtTheNextStart) {
    Display* observer = XOpenDisplay(xvfb_->Display().c_str());
    ASSERT_NE(observer, nullptr);
    // A new connection each time: one that stays open would answer from its cached layout.
    const auto keycodeOf = [&](KeySym keysym) {
        Display* fresh = XOpenDisplay(xvfb_->Display().c_str());
        const int keycode = XKeysymToKeycode(fresh, keysym);
        XCloseDisplay(fresh);
        return keycode;
    };
    ASSERT_EQ(keycodeOf(XK_eacute), 0);

    Send({InputRecord::Key(0, KEYEVENTF_UNICODE, u'\u00E9'),
          InputRecord::Key(0, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, u'\u00E9')});
    EXPECT_EQ(Next(2), (Events{"+eacute", "-eacute"}));
    // Still there after the events: a client reading the layout late still reads é.
    EXPECT_NE(keycodeOf(XK_eacute), 0);

    // A copy killed while it had a borrowed key: its binding stays behind.
    const pid_t killed = ::fork();
    if (killed == 0) {
        XTestInjector copy(xvfb_->Display());
        const InputRecord press = InputRecord::Key(0, KEYEVENTF_UNICODE, u'\u00F1');
        copy.SendInput(std::span<const InputRecord>(&press, 1));
        ::kill(::getpid(), SIGKILL);
    }
    ASSERT_GT(killed, 0);
    ::waitpid(killed, nullptr, 0);
    ASSERT_NE(keycodeOf(XK_ntilde), 0);
    // Someone else's binding of a free keycode looks just like one, but is not ours to take.
    KeySym thorn[2] = {XK_thorn, XK_thorn};
    XChangeKeyboardMapping(observer, keycodeOf(XK_ntilde) - 1, 2, thorn, 1);
    XSync(observer, False);

    // The next start takes back only what the dead copy lent; a living copy keeps its own.
    XTestInjector next(xvfb_->Display());
    EXPECT_EQ(keycodeOf(XK_ntilde), 0);
    EXPECT_NE(keycodeOf(XK_thorn), 0);
    EXPECT_NE(keycodeOf(XK_eacute), 0);

    // Keys, borrowed keys and buttons still held are let go, then the borrowed keys given back.
    Send({InputRecord::Key(VK_SHIFT, 0), InputRecord::Key(0, KEYEVENTF_UNICODE, u'\u00E9'),
          InputRecord::Key(VK_RMENU, KEYEVENTF_EXTENDEDKEY), InputRecord::Mouse(MOUSEEVENTF_LEFTDOWN)});
    EXPECT_TRUE(recorder_->WaitUntil([&] { return !recorder_->Held().empty(); }));
    injector_.reset();
    EXPECT_EQ(recorder_->Held(), "");
    EXPECT_EQ(keycodeOf(XK_eacute), 0);
    XCloseDisplay(observer);
}

// Virtual keys arrive as their keys: the layout's, the special key bytes of AltGr and keycode 165,
// and a borrowed keycode for a key the layout lacks (F13 on Xvfb's). Left, F1, Delete, Ctrl, Alt,
// Shift and Tab are the end-to-end run's.
TEST_F(XTestInjectorTest, VirtualKeysArriveAsTheirKeys) {
    struct Case {
        std::uint8_t vk;
        const char* keysym;
    };
    for (const Case c : {Case{0xA2, "Control_L"}, Case{0xA5, "ISO_Level3_Shift"},
                         Case{0xB6, "XF86MyComputer"}, Case{0x7C, "F13"}, Case{0x41, "a"}}) {
        const std::uint16_t key = injector_->KeyForVirtualKey(c.vk);
        ASSERT_NE(key, 0) << c.keysym;
        Send({InputRecord::Key(key, 0), InputRecord::Key(key, KEYEVENTF_KEYUP)});
        EXPECT_EQ(Next(2), (Events{std::string("+") + c.keysym, std::string("-") + c.keysym}));
    }
    test::TraceCapture trace;
    EXPECT_EQ(injector_->KeyForVirtualKey(0xBA), 0) << "a key whose character the layout decides";
    EXPECT_TRUE(trace.Contains("XTestInjector.KeyForVirtualKey:#Method Exit Error#"));
}

TEST_F(XTestInjectorTest, RecordsThatCannotBeDeliveredAreDroppedAndTraced) {
    test::TraceCapture trace;
    // Not an X keycode; a surrogate half; a release of a character never pressed; the key
    // byte of the "no key" answer, with Shift as the older path sends it.
    Send({InputRecord::Key(3, 0), InputRecord::Key(0, KEYEVENTF_UNICODE, 0xD800),
          InputRecord::Key(0, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, u'\u00F1'), InputRecord::Key(300, 0)});
    injector_->keybd_event(VK_SHIFT, 0);
    injector_->keybd_event(255, 0);
    injector_->keybd_event(VK_SHIFT, KEYEVENTF_KEYUP);
    injector_->keybd_event(255, KEYEVENTF_KEYUP);
    EXPECT_EQ(Next(2), (Events{"+Shift_L", "-Shift_L"}));
    ASSERT_TRUE(keys_->SendKeyCode('c'));
    // Only the key sent afterwards arrives.
    EXPECT_EQ(Next(2), (Events{"+c", "-c"}));
    const std::vector<std::string> reports = trace.Reports();
    EXPECT_EQ(std::count_if(reports.begin(), reports.end(),
                            [](const std::string& r) { return r.rfind("XTestInjector.SendInput:", 0) == 0; }),
              6);
}

// Moves the keys of Mod5 (the level-three shift) to Mod1, Alt's modifier: holding them for a
// character would then be an Alt shortcut.
void MoveLevelThreeToAlt(const std::string& name) {
    Display* display = XOpenDisplay(name.c_str());
    XModifierKeymap* map = XGetModifierMapping(display);
    const std::vector<KeyCode> keys(map->modifiermap + Mod5MapIndex * map->max_keypermod,
                                    map->modifiermap + (Mod5MapIndex + 1) * map->max_keypermod);
    for (const KeyCode key : keys) {
        if (key != 0) {
            map = XInsertModifiermapEntry(XDeleteModifiermapEntry(map, key, Mod5MapIndex), key, Mod1MapIndex);
        }
    }
    EXPECT_EQ(XSetModifierMapping(display, map), MappingSuccess);
    XFreeModifiermap(map);
    XCloseDisplay(display);
}

// Every printable Windows-1252 character arrives as itself on every common layout, changed under a
// running injector, and with AltGr's modifier moved to Alt, where holding it for a character would
// be an Alt shortcut, so "@" must come from a borrowed key.
TEST_F(XTestInjectorTest, EveryPrintableCharacterArrivesOnEveryLayout) {
    for (const std::string layout : {"us", "de", "fr", "gb", "es", "de with AltGr on Alt", "us"}) {
        SCOPED_TRACE(layout);
        const std::string command = "setxkbmap -display " + xvfb_->Display() + " " + layout.substr(0, 2);
        if (std::system((command + " 2>/dev/null").c_str()) != 0) {
            GTEST_SKIP() << "setxkbmap cannot switch the layout here";
        }
        if (layout.size() > 2) {
            MoveLevelThreeToAlt(xvfb_->Display());
            EXPECT_EQ(injector_->VkKeyScanA('@'), -1);
        }
        recorder_->Clear();
        std::string wrong;
        for (int code = 32; code <= 255; ++code) {
            // Windows-1252 leaves five codes without a character.
            if (code == 127 || code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D) {
                continue;
            }
            const std::string sent = Utf8FromCp1252(std::string(1, static_cast<char>(code)));
            const std::size_t before = recorder_->Text().size();
            ASSERT_TRUE(keys_->SendKeyCode(code));
            recorder_->WaitUntil([&] { return recorder_->Text().size() >= before + sent.size(); },
                                 std::chrono::milliseconds(500));
            if (const std::string got = recorder_->Text().substr(before); got != sent) {
                wrong += sent + "(" + got + ") ";
            }
        }
        EXPECT_EQ(wrong, "");
        EXPECT_TRUE(recorder_->WaitUntil([&] { return recorder_->Held().empty(); }, std::chrono::seconds(1)))
            << recorder_->Held();
    }
}

}  // namespace
}  // namespace qm
