#include "desktop/remote/MutterDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "diag/Cp1252.h"
#include "support/PrintableAnsi.h"
#include "support/Raised.h"
#include "support/gui/QtWait.h"
#include "support/wayland/HeadlessMutter.h"

namespace qm {
namespace {

using Events = std::vector<std::string>;
using test::HeadlessMutter;

class MutterDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(HeadlessMutter::Missing(), "");
        session_ = std::make_unique<HeadlessMutter>();
        desktop_ = std::make_unique<MutterDesktop>();
        // Not what the tests look at: what the wakening of the keyboard left.
        test::QtRunFor(std::chrono::milliseconds(300));
        session_->Clear();
    }
    // The events from the last call on, once there are count of them.
    Events Next(std::size_t count) {
        const Events events =
            session_->WaitForEvents([&](const Events& seen) { return seen.size() >= count; });
        session_->Clear();
        return events;
    }

    std::unique_ptr<HeadlessMutter> session_;
    std::unique_ptr<MutterDesktop> desktop_;
};

TEST_F(MutterDesktopTest, MovesClicksAndTurnsTheWheels) {
    EXPECT_EQ(desktop_->ScreenSize().width, HeadlessMutter::kWidth);
    EXPECT_EQ(desktop_->ScreenSize().height, HeadlessMutter::kHeight);
    // Into the corner, where the estimate agrees with the compositor, then onto the window.
    desktop_->MoveBy(-5000, -5000);
    desktop_->MoveTo({400, 300});
    // The window is entered where the compositor happened to look, not always where the
    // pointer ends: one more move, once the compositor has caught up, says where it is.
    ASSERT_EQ(Next(1).front().substr(0, 6), "enter ");
    test::QtRunFor(std::chrono::milliseconds(300));
    desktop_->MoveBy(1, 1);
    const Events moved = Next(1);
    int x = 0;
    int y = 0;
    ASSERT_EQ(std::sscanf(moved.front().c_str(), "motion %d %d", &x, &y), 2) << moved.front();
    desktop_->MoveTo({411, 308});
    EXPECT_EQ(Next(1), Events{"motion " + std::to_string(x + 10) + " " + std::to_string(y + 7)});
    EXPECT_EQ(desktop_->PointerPosition().x, 411);
    EXPECT_EQ(desktop_->PointerPosition().y, 308);
    for (const Button button : {Button::Left, Button::Middle, Button::Right}) {
        desktop_->Press(button);
        desktop_->Release(button);
    }
    for (const Wheel wheel : {Wheel::Up, Wheel::Down, Wheel::Left, Wheel::Right}) {
        desktop_->Turn(wheel);
    }
    EXPECT_EQ(Next(10),
              (Events{"button 272 1", "button 272 0", "button 274 1", "button 274 0", "button 273 1",
                      "button 273 0", "axis 0 -1", "axis 0 1", "axis 1 -1", "axis 1 1"}));
}

TEST_F(MutterDesktopTest, PressesKeysAndHoldsModifiersForCharacters) {
    for (const Key key : {Key::F5, Key::Left, Key::Escape, Key::Enter}) {
        desktop_->Press(key);
        desktop_->Release(key);
    }
    // Sticky Ctrl with a character; a held Shift is the character's Shift and stays held.
    desktop_->Press(Key::Ctrl);
    desktop_->Type('c');
    desktop_->Release(Key::Ctrl);
    desktop_->Press(Key::Shift);
    desktop_->Type('a');
    desktop_->Type('A');
    desktop_->Release(Key::Shift);
    EXPECT_EQ(Next(22), (Events{"key F5 1",          "key F5 0",     "key Left 1",      "key Left 0",
                                "key Escape 1 \x1B", "key Escape 0", "key Return 1 \r", "key Return 0",
                                "key Control_L 1",   "modifiers 4",  "key c 1 \x03",    "key c 0",
                                "key Control_L 0",   "modifiers 0",  "key Shift_L 1",   "modifiers 1",
                                "key A 1 A",         "key A 0",      "key A 1 A",       "key A 0",
                                "key Shift_L 0",     "modifiers 0"}));
}

TEST_F(MutterDesktopTest, TypesWhatTheLayoutHasAndOwnsUpToTheRest) {
    std::string expected;
    std::string refused;
    for (const char character : test::PrintableAnsi()) {
        if (desktop_->HowToType(character) == Typing::ByKey) {
            expected += Utf8FromCp1252(std::string(1, character));
        } else {
            refused += character;
        }
        desktop_->Type(character);
    }
    desktop_->Press(Key::F5);
    const Events events = session_->WaitForEvents(
        [](const Events& seen) { return !seen.empty() && seen.back() == "key F5 1"; });
    EXPECT_EQ(HeadlessMutter::TypedText(events), expected);
    // Every ASCII character has its key on the US layout mutter uses; Latin-1 letters do not.
    EXPECT_EQ(
        expected.substr(0, 95),
        std::string(" !\"#$%&'()*+,-./"
                    "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"));
    EXPECT_NE(refused.find('\xE9'), std::string::npos);
    EXPECT_NE(refused.find('\xE4'), std::string::npos);
}

TEST_F(MutterDesktopTest, OpensANewSessionWhenTheCompositorIsBack) {
    session_->RestartCompositor();
    desktop_->Type('x');  // dropped: the session has gone
    test::QtRunFor(std::chrono::milliseconds(1100));
    desktop_->Type('y');
    // After what the wakening of the new keyboard left (Shift, pressed and let go).
    const Events events =
        session_->WaitForEvents([](const Events& seen) { return !seen.empty() && seen.back() == "key y 0"; });
    ASSERT_GE(events.size(), 2U);
    EXPECT_EQ(events[events.size() - 2], "key y 1 y");
}

TEST(MutterDesktopErrorTest, SaysWhenGnomeDoesNotOfferItsInterface) {
    ASSERT_EQ(HeadlessMutter::Missing(), "");
    HeadlessMutter busAlone(false);
    const test::Raised raised = test::RaisedBy([] { MutterDesktop desktop; });
    EXPECT_EQ(raised.number, err::InvalidProcedureCall);
    EXPECT_NE(raised.description.find("GNOME's RemoteDesktop interface is not offered: "), std::string::npos)
        << raised.description;
}

}  // namespace
}  // namespace qm
