#include "desktop/wayland/WlrootsDesktop.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "desktop/keysyms/AnsiKeysym.h"
#include "desktop/keysyms/KeyKeysyms.h"
#include "diag/Cp1252.h"
#include "support/Raised.h"
#include "support/wayland/SwaySession.h"

namespace qm {
namespace {

using Events = std::vector<std::string>;

class WlrootsDesktopTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        sway_ = std::make_unique<test::SwaySession>(GetParam());
        wev_ = std::make_unique<test::WevRecorder>(*sway_);
        desktop_ = std::make_unique<WlrootsDesktop>(sway_->Socket());
    }

    // The events that arrive next, once there are count of them.
    Events Next(std::size_t count) {
        wev_->WaitForEvents(count);
        Events events = wev_->Events();
        wev_->Clear();
        return events;
    }

    // Declared so that the clients go before their compositor.
    std::unique_ptr<test::SwaySession> sway_;
    std::unique_ptr<test::WevRecorder> wev_;
    std::unique_ptr<WlrootsDesktop> desktop_;
};

TEST(WlrootsDesktop, SaysWhyItCannotConnect) {
    const char* saved = std::getenv("WAYLAND_DISPLAY");
    const std::optional<std::string> old = saved ? std::optional<std::string>(saved) : std::nullopt;
    ::unsetenv("WAYLAND_DISPLAY");
    const test::Raised none = test::RaisedBy([] { WlrootsDesktop(); });
    old ? ::setenv("WAYLAND_DISPLAY", old->c_str(), 1) : ::unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(none.number, err::InvalidProcedureCall);
    EXPECT_NE(none.description.find("WAYLAND_DISPLAY"), std::string::npos) << none.description;
    const test::Raised missing = test::RaisedBy([] { WlrootsDesktop("/nonexistent/wayland-9"); });
    EXPECT_NE(missing.description.find("/nonexistent/wayland-9"), std::string::npos) << missing.description;
}

// The pointer from the first event on (the devices are new then), buttons held to the batch's
// end, and one notch of each wheel.
TEST_P(WlrootsDesktopTest, PointerEventsArriveAsSent) {
    EXPECT_EQ(desktop_->ScreenSize().width, 1024);
    EXPECT_EQ(desktop_->ScreenSize().height, 768);
    desktop_->MoveTo({200, 150});
    desktop_->MoveBy(7, -5);
    EXPECT_EQ(Next(2), (Events{"motion 200,150", "motion 207,145"}));
    EXPECT_EQ(desktop_->PointerPosition().x, 207);
    EXPECT_EQ(desktop_->PointerPosition().y, 145);
    {
        InputBatch batch(desktop_.get());
        for (const Button button : {Button::Left, Button::Middle, Button::Right}) {
            desktop_->Press(button);
            desktop_->Release(button);
        }
        EXPECT_FALSE(
            wev_->WaitUntil([&] { return !wev_->Events().empty(); }, std::chrono::milliseconds(200)));
    }
    EXPECT_EQ(Next(6), (Events{"+left", "-left", "+middle", "-middle", "+right", "-right"}));
    for (const Wheel wheel : {Wheel::Up, Wheel::Down, Wheel::Left, Wheel::Right}) {
        desktop_->Turn(wheel);
    }
    EXPECT_EQ(Next(8), (Events{"discrete vertical -1", "axis vertical -15", "discrete vertical 1",
                               "axis vertical 15", "discrete horizontal -1", "axis horizontal -15",
                               "discrete horizontal 1", "axis horizontal 15"}));
}

// Keys by name, a Ctrl held through a key press around a character (a shortcut), and a Shift
// held the same way, which leaves a character as it is.
TEST_P(WlrootsDesktopTest, KeysAndHeldModifiersArriveAsPressed) {
    struct Case {
        std::vector<std::pair<Key, bool>> keys;  // pressed or let go, before the character
        char character;
        Events expected;
    };
    // The pointer enters the client with the first event, whatever it is: a move.
    desktop_->MoveTo({10, 10});
    EXPECT_EQ(Next(1), Events{"motion 10,10"});
    for (const Case& c : std::vector<Case>{
             {{{Key::F5, true}, {Key::F5, false}, {Key::Left, true}, {Key::Left, false}},
              0,
              {"+F5", "-F5", "+Left", "-Left"}},
             {{{Key::Ctrl, true}},
              'c',
              {"+Control_L", "modifiers 4", "+c", "-c", "-Control_L", "modifiers 0"}},
             {{{Key::Shift, true}}, 'a', {"+Shift_L", "modifiers 1", "+a", "-a", "-Shift_L", "modifiers 0"}},
             {{{Key::RightAlt, true}},
              'q',
              {"+ISO_Level3_Shift", "modifiers 128", "+q", "-q", "-ISO_Level3_Shift", "modifiers 0"}},
         }) {
        for (const auto& [key, press] : c.keys) {
            EXPECT_TRUE(desktop_->HasKey(key));
            press ? desktop_->Press(key) : desktop_->Release(key);
        }
        if (c.character != 0) {
            desktop_->Type(c.character);
            desktop_->ReleaseAll();
        }
        EXPECT_EQ(Next(c.expected.size()), c.expected);
    }
}

// Every key of the program's, as the keysym the client reads (the locks pressed twice, to leave
// the letters small).
TEST_P(WlrootsDesktopTest, EveryKeyArrivesAsItsKeysym) {
    std::vector<Keysym> expected;
    for (std::size_t index = 0; index < kKeyCount; ++index) {
        const Key key = static_cast<Key>(index);
        ASSERT_TRUE(desktop_->HasKey(key)) << KeyName(key);
        for (int times = key == Key::CapsLock || key == Key::NumLock ? 2 : 1; times > 0; --times) {
            desktop_->Press(key);
            desktop_->Release(key);
            expected.push_back(KeysymsForKey(key).front());
        }
    }
    wev_->WaitUntil([&] { return wev_->Typed().size() >= expected.size(); });
    std::vector<Keysym> arrived;
    for (const test::TypedKey& typed : wev_->Typed()) {
        arrived.push_back(typed.keysym);
    }
    EXPECT_EQ(arrived, expected);
}

// Every printable character of Windows-1252, as the client reads it: more than the keycodes
// left for characters, so some are reused on the way.
TEST_P(WlrootsDesktopTest, EveryPrintableCharacterArrivesAsItself) {
    std::vector<unsigned char> printable;
    for (unsigned byte = 0x20; byte <= 0xFF; ++byte) {
        const auto character = static_cast<unsigned char>(byte);
        if (byte != 0x7F && !KeysymsForAnsi(character).empty()) {
            printable.push_back(character);
            EXPECT_EQ(desktop_->HowToType(static_cast<char>(character)), Typing::ByKey) << byte;
            desktop_->Type(static_cast<char>(character));
        }
    }
    EXPECT_EQ(printable.size(), 218U);
    EXPECT_EQ(desktop_->HowToType('\x81'), Typing::Not);
    EXPECT_EQ(desktop_->HowToType('\r'), Typing::ByKey);
    wev_->WaitUntil([&] { return wev_->Typed().size() >= printable.size(); });
    ASSERT_EQ(wev_->Typed().size(), printable.size());
    for (std::size_t i = 0; i < printable.size(); ++i) {
        const std::vector<Keysym> keysyms = KeysymsForAnsi(printable[i]);
        EXPECT_NE(std::find(keysyms.begin(), keysyms.end(), wev_->Typed()[i].keysym), keysyms.end())
            << int(printable[i]) << " came as keysym " << wev_->Typed()[i].keysym;
        EXPECT_EQ(wev_->Typed()[i].text, Utf8FromCp1252(std::string(1, static_cast<char>(printable[i]))))
            << int(printable[i]);
    }
}

// A compositor that restarts: what is sent while it is away is dropped, and the next call a
// second later reaches the new one.
TEST_P(WlrootsDesktopTest, ConnectsAgainAfterTheCompositorRestarts) {
    const std::string socket = sway_->Socket();
    wev_.reset();
    sway_->Restart();
    ASSERT_EQ(sway_->Socket(), socket);
    wev_ = std::make_unique<test::WevRecorder>(*sway_);
    desktop_->Press(Button::Left);
    desktop_->MoveBy(5, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    desktop_->MoveTo({300, 200});
    EXPECT_EQ(Next(1), Events{"motion 300,200"});
    desktop_->Press(Button::Right);
    desktop_->ReleaseAll();
    EXPECT_EQ(Next(2), (Events{"+right", "-right"}));
}

INSTANTIATE_TEST_SUITE_P(SeatLayouts, WlrootsDesktopTest, ::testing::Values("us", "de"));

}  // namespace
}  // namespace qm
