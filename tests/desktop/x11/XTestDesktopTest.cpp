#include "desktop/x11/XTestDesktop.h"

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
#include <set>
#include <string>
#include <vector>

#include "desktop/x11/PrimaryMonitor.h"
#include "desktop/x11/SpareKeycodes.h"
#include "diag/Cp1252.h"
#include "input/KeystrokeInjection.h"
#include "support/Raised.h"
#include "support/TraceCapture.h"
#include "support/gui/XEventRecorder.h"
#include "support/gui/XvfbFixture.h"

namespace qm {
namespace {

using Events = std::vector<std::string>;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

class XTestDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::FindOnPath("Xvfb").empty()) {
            GTEST_SKIP() << "Xvfb is not installed (package xvfb; the CI and scripts/deps install it)";
        }
        xvfb_ = std::make_unique<test::XvfbFixture>(kWidth, kHeight);
        recorder_ = std::make_unique<test::XEventRecorder>(xvfb_->Display());
        desktop_ = std::make_unique<XTestDesktop>(xvfb_->Display());
        keys_ = std::make_unique<KeystrokeInjection>(*desktop_);
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
    std::unique_ptr<XTestDesktop> desktop_;
    std::unique_ptr<KeystrokeInjection> keys_;  // types as the program does
};

TEST_F(XTestDesktopTest, OpensTheNamedOrTheEnvironmentsDisplayAndSaysWhyNot) {
    EXPECT_EQ(desktop_->ScreenSize().width, kWidth);
    EXPECT_EQ(desktop_->ScreenSize().height, kHeight);
    // The environment's display is the one the end-to-end run's program opens.
    const char* saved = std::getenv("DISPLAY");
    const std::optional<std::string> old = saved ? std::optional<std::string>(saved) : std::nullopt;
    ::unsetenv("DISPLAY");
    const test::Raised none = test::RaisedBy([] { XTestDesktop(); });
    old ? ::setenv("DISPLAY", old->c_str(), 1) : ::unsetenv("DISPLAY");
    EXPECT_NE(none.description.find("DISPLAY"), std::string::npos) << none.description;
    const test::Raised missing = test::RaisedBy([] { XTestDesktop(":31999"); });
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

// Moves, buttons and wheels; the end-to-end run has them all too. A batch goes out at its end,
// and no click moves the pointer.
TEST_F(XTestDesktopTest, MovesAndClicksArriveAsSent) {
    desktop_->MoveTo({400, 300});
    desktop_->MoveBy(7, -5);
    EXPECT_EQ(desktop_->PointerPosition().x, 407);
    EXPECT_EQ(desktop_->PointerPosition().y, 295);
    desktop_->MoveBy(-120, 45);
    EXPECT_TRUE(recorder_->WaitUntil([&] { return recorder_->Pointer() == std::make_pair(287, 340); }));
    {
        InputBatch batch(desktop_.get());
        desktop_->Press(Button::Left);
        desktop_->Release(Button::Left);
        desktop_->Press(Button::Right);
        desktop_->Release(Button::Right);
        desktop_->Turn(Wheel::Down);
        desktop_->Turn(Wheel::Right);
        EXPECT_FALSE(recorder_->WaitUntil([&] { return !recorder_->Events().empty(); },
                                          std::chrono::milliseconds(200)));
    }
    EXPECT_EQ(Next(8), (Events{"+button1", "-button1", "+button3", "-button3", "+button5", "-button5",
                               "+button7", "-button7"}));
    EXPECT_EQ(recorder_->Pointer(), std::make_pair(287, 340));
}

// The printable characters on every layout are the case below; here the line controls, which
// are keys of their own, a character typed with a Shift held (which it does not press again),
// and one typed on a borrowed key.
TEST_F(XTestDesktopTest, LineControlsAndBorrowedKeysArriveAsThemselves) {
    for (const char control : {'\r', '\n', '\b', '\t', '\x1b', '\x7f'}) {
        ASSERT_TRUE(keys_->SendKeyCode(static_cast<unsigned char>(control)));
    }
    EXPECT_EQ(Next(12), (Events{"+Return", "-Return", "+Return", "-Return", "+BackSpace", "-BackSpace",
                                "+Tab", "-Tab", "+Escape", "-Escape", "+BackSpace", "-BackSpace"}));
    desktop_->Type('A');
    EXPECT_EQ(Next(4), (Events{"+Shift_L", "+A", "-Shift_L", "-a"}));
    desktop_->Press(Key::Shift);
    desktop_->Type('A');
    desktop_->Type('\xE9');
    desktop_->Release(Key::Shift);
    EXPECT_EQ(Next(6), (Events{"+Shift_L", "+A", "-A", "+eacute", "-eacute", "-Shift_L"}));
    EXPECT_EQ(desktop_->HowToType('\xE9'), Typing::AsCharacter) << "a borrowed key is not the layout's own";
    // The other controls and the bytes Windows-1252 leaves undefined are not typed at all, rather
    // than as keys that type nothing: only the key after them arrives.
    for (const int code : {0, 1, 0x1F, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(desktop_->HowToType(static_cast<char>(code)), Typing::Not) << code;
        ASSERT_TRUE(keys_->SendKeyCode(code));
    }
    ASSERT_TRUE(keys_->SendKeyCode('b'));
    EXPECT_EQ(Next(2), (Events{"+b", "-b"}));
}

TEST_F(XTestDesktopTest, BorrowedKeysAndHeldKeysAreGivenBackAtTheEndOrAtTheNextStart) {
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

    desktop_->Type('\xE9');
    EXPECT_EQ(Next(2), (Events{"+eacute", "-eacute"}));
    // Still there after the events: a client reading the layout late still reads é.
    EXPECT_NE(keycodeOf(XK_eacute), 0);

    // A copy killed while it had a borrowed key and held Ctrl: both stay behind.
    const pid_t killed = ::fork();
    if (killed == 0) {
        XTestDesktop copy(xvfb_->Display());
        copy.Type('\xF1');
        copy.Press(Key::Ctrl);
        ::kill(::getpid(), SIGKILL);
    }
    ASSERT_GT(killed, 0);
    ::waitpid(killed, nullptr, 0);
    ASSERT_NE(keycodeOf(XK_ntilde), 0);
    // Someone else's binding of a free keycode looks just like one, but is not ours to take.
    KeySym thorn[2] = {XK_thorn, XK_thorn};
    XChangeKeyboardMapping(observer, keycodeOf(XK_ntilde) - 1, 2, thorn, 1);
    XSync(observer, False);

    ASSERT_NE(recorder_->Held(), "");

    // The next start takes back only what the dead copy lent, and lets go of what it held; a
    // living copy keeps its own.
    XTestDesktop next(xvfb_->Display());
    EXPECT_EQ(recorder_->Held(), "");
    EXPECT_EQ(keycodeOf(XK_ntilde), 0);
    EXPECT_NE(keycodeOf(XK_thorn), 0);
    EXPECT_NE(keycodeOf(XK_eacute), 0);

    // Keys and buttons still held are let go, then the borrowed keys given back.
    desktop_->Press(Key::Shift);
    desktop_->Press(Key::RightAlt);
    desktop_->Press(Button::Left);
    EXPECT_TRUE(recorder_->WaitUntil([&] { return !recorder_->Held().empty(); }));
    keys_.reset();
    desktop_.reset();
    EXPECT_EQ(recorder_->Held(), "");
    EXPECT_EQ(keycodeOf(XK_eacute), 0);
    XCloseDisplay(observer);
}

// A lent keycode carries two characters, the second with Shift; one with a key event sent less than
// the quiet time ago is not bound to another (the character waits), nor one that is down; a killed
// copy's keycodes come back with both.
TEST_F(XTestDesktopTest, LentKeycodesCarryTwoCharactersAndWaitToBeRebound) {
    using x11::SpareKeycodes;
    Display* display = XOpenDisplay(xvfb_->Display().c_str());
    // Read from the server each time: the keycodes that give the keysym (none: the empty ones).
    const auto keycodesFor = [&](KeySym keysym) {
        int min = 0, max = 0, per = 0;
        XDisplayKeycodes(display, &min, &max);
        KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(min), max - min + 1, &per);
        int count = 0;
        for (int keycode = 0; keycode <= max - min; ++keycode) {
            const KeySym* row = map + keycode * per;
            count += keysym == NoSymbol ? std::count(row, row + per, NoSymbol) == per
                                        : std::count(row, row + per, keysym) > 0;
        }
        XFree(map);
        return count;
    };
    const int free = keycodesFor(NoSymbol);
    ASSERT_GT(free, 0);
    SpareKeycodes::Clock::time_point now{std::chrono::hours(1)};
    const SpareKeycodes::Timing timing{
        std::chrono::milliseconds(100), [&] { return now; },
        [&](SpareKeycodes::Clock::time_point until) { now = std::max(now, until); }};
    // Two letters from À on for each free keycode, each sent a key event at once.
    const auto fill = [&](SpareKeycodes& spare, std::vector<SpareKeycodes::Place>& places) {
        for (int i = 0; i < 2 * free; ++i) {
            places.push_back(spare.BindCharacter(XK_Agrave + i, SpareKeycodes::Reach::Either, {}));
            spare.Sent(places.back().keycode);
        }
    };
    {
        SpareKeycodes spare(display, timing);
        std::vector<SpareKeycodes::Place> places;
        fill(spare, places);
        std::set<unsigned> keycodes;
        for (int i = 0; i < 2 * free; ++i) {
            keycodes.insert(places[i].keycode);
            EXPECT_EQ(places[i].shift, i >= free) << i;
            EXPECT_EQ(keycodesFor(XK_Agrave + i), 1) << i;
        }
        EXPECT_EQ(keycodes.size(), static_cast<std::size_t>(free));

        now += std::chrono::milliseconds(10);
        const SpareKeycodes::Clock::time_point asked = now;
        std::bitset<256> held;
        held[places[0].keycode] = true;
        const SpareKeycodes::Place next =
            spare.BindCharacter(XK_sterling, SpareKeycodes::Reach::Either, held);
        EXPECT_EQ(now - asked, std::chrono::milliseconds(90));
        EXPECT_NE(next.keycode, places[0].keycode);
        EXPECT_EQ(keycodesFor(XK_Agrave), 1);
        EXPECT_EQ(keycodesFor(XK_sterling), 1);
    }
    const pid_t killed = ::fork();
    if (killed == 0) {
        Display* own = XOpenDisplay(xvfb_->Display().c_str());
        SpareKeycodes spare(own, timing);
        std::vector<SpareKeycodes::Place> places;
        fill(spare, places);
        XSync(own, False);
        ::kill(::getpid(), SIGKILL);
    }
    ASSERT_GT(killed, 0);
    ::waitpid(killed, nullptr, 0);
    EXPECT_EQ(keycodesFor(NoSymbol), 0);
    std::make_unique<SpareKeycodes>(display).reset();
    EXPECT_EQ(keycodesFor(NoSymbol), free);
    XCloseDisplay(display);
}

// Keys arrive as their keys: the layout's, AltGr as its level-three shift, and a borrowed keycode
// for a key the layout lacks (F13 and the media keys on Xvfb's). Left, F1, Delete, Ctrl, Alt,
// Shift and Tab are the end-to-end run's.
TEST_F(XTestDesktopTest, KeysArriveAsTheirKeys) {
    struct Case {
        Key key;
        const char* keysym;
    };
    for (const Case c : {Case{Key::LeftCtrl, "Control_L"}, Case{Key::RightAlt, "ISO_Level3_Shift"},
                         Case{Key::LaunchApp1, "XF86MyComputer"}, Case{Key::F13, "F13"}, Case{Key::A, "a"},
                         Case{Key::Digit7, "7"}, Case{Key::Num3, "KP_3"}, Case{Key::F24, "F24"},
                         Case{Key::RightLogo, "Super_R"}, Case{Key::Shift, "Shift_L"}}) {
        ASSERT_TRUE(desktop_->HasKey(c.key)) << c.keysym;
        desktop_->Press(c.key);
        desktop_->Release(c.key);
        EXPECT_EQ(Next(2), (Events{std::string("+") + c.keysym, std::string("-") + c.keysym}));
    }
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
// running desktop, and with AltGr's modifier moved to Alt, where holding it for a character would
// be an Alt shortcut, so "@" must come from a borrowed key.
TEST_F(XTestDesktopTest, EveryPrintableCharacterArrivesOnEveryLayout) {
    for (const std::string layout : {"us", "de", "fr", "gb", "es", "de with AltGr on Alt", "us"}) {
        SCOPED_TRACE(layout);
        const std::string command = "setxkbmap -display " + xvfb_->Display() + " " + layout.substr(0, 2);
        if (std::system((command + " 2>/dev/null").c_str()) != 0) {
            GTEST_SKIP() << "setxkbmap cannot switch the layout here";
        }
        if (layout.size() > 2) {
            MoveLevelThreeToAlt(xvfb_->Display());
            EXPECT_EQ(desktop_->HowToType('@'), Typing::AsCharacter);
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
