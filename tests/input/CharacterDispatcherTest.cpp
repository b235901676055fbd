#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/CoreRoad.h"
#include "support/TraceCapture.h"

namespace qm {
namespace {

// The thirteen codes, in the matching order, kept clear of the letters the tests type.
enum Code : std::int16_t { N = 200, S, W, E, NE, NW, SW, SE, STOP, LSCLICK, LDCLICK, RSCLICK, RDCLICK };

std::string Byte(std::int16_t code) {
    return std::string(1, static_cast<char>(code));
}

using Step = RecordingInjector::Step;
using Codes = std::vector<std::int16_t>;

// The road as the program builds it, on a desktop in memory.
class Dispatch : public ::testing::Test, protected test::RoadOnFakes {
protected:
    Dispatch() {
        const std::int16_t codes[] = {N, S, W, E, NE, NW, SW, SE, STOP, LSCLICK, LDCLICK, RSCLICK, RDCLICK};
        SetCodes(codes);
        settings.MovementIncrementX(10);
        settings.MovementIncrementY(6);
        working.MovementDelay = 20;
    }

    // The characters typed, from the key presses (Shift left out).
    std::string Typed() const {
        std::string typed;
        for (const InputRecord& r : injector.Records()) {
            if (r.type == INPUT_KEYBOARD && r.ki.dwFlags == 0 && r.ki.wVk != VK_SHIFT) {
                typed += static_cast<char>(r.ki.wVk);
            }
        }
        return typed;
    }

    CharacterDispatcher& dispatcher = road.Dispatcher();
};

// One write per receive event, made with the last character's action: a lone byte's event
// waits for nothing, and the events a character lets run find the input before it sent.
TEST_F(Dispatch, EachReceiveEventReachesTheDesktopInOneWrite) {
    std::vector<std::size_t> seen;
    for (int call = 1; call <= 3; ++call) {
        pump.PostAtCall(call, [&] { seen.push_back(injector.Delivered()); });
    }
    serial.Deliver("abc");
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 0, 6}));
    for (const std::string& input : {Byte(E), "d" + Byte(STOP), Byte(LSCLICK)}) {
        const int before = injector.Writes();
        serial.Deliver(input);
        EXPECT_EQ(injector.Writes(), before + 1) << input;
        EXPECT_EQ(injector.Delivered(), injector.RecordCount());
    }
}

// Bytes 0 and 255 are dropped in both modes, and events other than a receive read nothing.
TEST_F(Dispatch, DroppedBytesAndOtherEventsDoNothing) {
    for (const std::int16_t mode : {std::int16_t{0}, std::int16_t{1}}) {
        settings.ASCIISequence(mode);
        injector.Clear();
        serial.Deliver(std::string("\0q\xff", 3));
        EXPECT_EQ(dispatcher.BytesReceived(), mode + 1);
        EXPECT_EQ(Listed().size(), std::size_t(mode + 1));
        EXPECT_EQ(Typed(), "Q");
    }
    serial.Arrive("z");
    for (const std::int16_t event : {comEvSend, comEvCTS, comEvRing, comEventBreak, comEventRxParity}) {
        serial.Raise(event);
    }
    EXPECT_EQ(dispatcher.BytesReceived(), 2);
    serial.Raise(comEvReceive);
    EXPECT_EQ(Listed().front(), 122);
}

// Each setting in turn shares its code with every setting after it: the earlier one must win.
TEST_F(Dispatch, FirstMatchInTheFixedOrderWins) {
    const std::uint32_t LD = MOUSEEVENTF_LEFTDOWN, LU = MOUSEEVENTF_LEFTUP;
    const std::uint32_t RD = MOUSEEVENTF_RIGHTDOWN, RU = MOUSEEVENTF_RIGHTUP;
    // What each code does when it wins: its move or its clicks; Stop, the ninth, stops.
    const std::pair<std::vector<Step>, std::vector<std::uint32_t>> expected[13] = {
        {{{0, -6}}, {}},        {{{0, 6}}, {}},   {{{-10, 0}}, {}},      {{{10, 0}}, {}}, {{{10, -6}}, {}},
        {{{-10, -6}}, {}},      {{{-10, 6}}, {}}, {{{10, 6}}, {}},       {{}, {}},        {{}, {LD, LU}},
        {{}, {LD, LU, LD, LU}}, {{}, {RD, RU}},   {{}, {RD, RU, RD, RU}}};
    for (int i = 0; i < 13; ++i) {
        SCOPED_TRACE(i);
        std::int16_t codes[13];
        for (int j = 0; j < 13; ++j) {
            codes[j] = static_cast<std::int16_t>(j < i ? 100 + j : 150);
        }
        SetCodes(codes);
        ASSERT_TRUE(road.Movement().MoveMouse(1, 1));  // moving, so that a stop shows
        injector.Clear();
        serial.Deliver(Byte(150));
        const auto& [moves, buttons] = expected[i];
        EXPECT_EQ(injector.Moves(), moves);
        EXPECT_EQ(injector.Buttons(), buttons);
        EXPECT_EQ(timer.Enabled(), i != 8);
        EXPECT_EQ(Typed(), "");
        if (i != 8) {  // a click leaves the movement running as it was
            ASSERT_TRUE(timer.Fire());
            EXPECT_EQ(injector.Moves().back(), (moves.empty() ? Step{1, 1} : moves[0]));
        }
        ASSERT_TRUE(road.Movement().StopMouse());
    }
}

// Steps round half to even; one that does not fit abandons the character before it is counted.
TEST_F(Dispatch, StepsRoundHalvesToEvenAndAnOverflowingOneIsDropped) {
    settings.MovementIncrementX(-1.5f);
    settings.MovementIncrementY(2.5f);
    serial.Deliver(Byte(N) + Byte(W));
    EXPECT_EQ(injector.Moves(), (std::vector<Step>{{0, -2}, {2, 0}}));
    test::TraceCapture trace;
    settings.MovementIncrementX(3e9f);
    serial.Deliver(Byte(E) + "k");
    EXPECT_TRUE(trace.Contains("frmSerial.ProcessCharacter:#Method Exit Error#: Overflow"));
    EXPECT_EQ(dispatcher.BytesReceived(), 3);  // not the E
    EXPECT_EQ(Listed(), (Codes{107, 203, W, N}));
}

TEST_F(Dispatch, SequenceModeListsAndCountsOnlyWhatTheDecoderPassesOn) {
    settings.ASCIISequence(1);
    serial.Deliver("\x1b");
    serial.Deliver("A0");
    serial.Deliver("65");
    EXPECT_EQ(Listed(), Codes{65});
    EXPECT_EQ(dispatcher.BytesReceived(), 1);
    EXPECT_EQ(Typed(), "A");

    // A value above the virtual keys is listed and counted, and does nothing.
    injector.Clear();
    serial.Deliver("\033A600");
    EXPECT_EQ(Listed(), (Codes{600, 65}));
    EXPECT_EQ(dispatcher.BytesReceived(), 2);
    EXPECT_EQ(injector.CallCount(), 0u);

    // A sequence for a configured code starts its action; an escaped Esc is typed.
    serial.Deliver("\033A" + std::to_string(N) + "\033\033");
    EXPECT_EQ(injector.Moves(), (std::vector<Step>{{0, -6}}));
    EXPECT_EQ(Listed(), (Codes{27, 200, 600, 65}));
    serial.Deliver("q");
    EXPECT_EQ(Typed(), "\x1bQ");

    // The half-way state survives switching the mode off and on again.
    serial.Deliver("\033A0");
    settings.ASCIISequence(0);
    serial.Deliver("7");
    EXPECT_EQ(Listed().front(), 55);
    settings.ASCIISequence(1);
    serial.Deliver("66");
    EXPECT_EQ(Listed().front(), 66);
}

// Decoded values from 256 press the virtual key value - 256, listed and counted as any code;
// the key codes press theirs (extended ones flagged), after the thirteen. Escape, Ctrl and Alt
// are the end-to-end and device-alone runs' codes.
TEST_F(Dispatch, VirtualKeysAndKeyCodesPressTheirKeys) {
    settings.ASCIISequence(1);
    const std::pair<void (SettingsRecord::*)(std::int16_t), const char*> codes[] = {
        {&SettingsRecord::ARROW_LEFT_ASCII, "37/1 37/3 37/1 37/3 "},
        {&SettingsRecord::ARROW_RIGHT_ASCII, "39/1 39/3 37/1 37/3 "},
        {&SettingsRecord::ARROW_UP_ASCII, "38/1 38/3 37/1 37/3 "},
        {&SettingsRecord::ARROW_DOWN_ASCII, "40/1 40/3 37/1 37/3 "},
        {&SettingsRecord::LOGO_ASCII, "91/1 37/1 37/3 91/3 "}};
    for (const auto& [set, expected] : codes) {
        (settings.*set)(30);
        injector.Clear();
        serial.Deliver("\x1e\033A293");
        std::string sent;
        for (const InputRecord& r : injector.Records()) {
            sent += std::to_string(r.ki.wVk) + "/" + std::to_string(r.ki.dwFlags) + " ";
        }
        EXPECT_EQ(sent, expected);
        (settings.*set)(N);
    }
    injector.Clear();
    serial.Deliver(Byte(N));
    EXPECT_EQ(injector.Moves().size(), 1u);
    EXPECT_EQ(Listed(), (Codes{200, 293, 30, 293, 30}));
    EXPECT_EQ(dispatcher.BytesReceived(), 2 * 5 + 1);
}

// Events run nested inside the pending-events calls. Whatever arrives there is listed (newest
// first, never more than five), acted on and counted exactly once, and in the order it arrived.
TEST_F(Dispatch, NestedReceiveEventsCountOnceInArrivalOrder) {
    test::TraceCapture trace;
    pump.PostAtCall(1, [&] { serial.Deliver("de"); });
    serial.Deliver("abc");
    EXPECT_EQ(Typed(), "ABCDE");
    EXPECT_EQ(Listed(), (Codes{101, 100, 99, 98, 97}));
    EXPECT_FALSE(trace.Contains("frmSerial.ProcessCharacter:Method Entry")) << "its exit only";
    EXPECT_EQ(dispatcher.BytesReceived(), 5);
    EXPECT_EQ(serial.InputReads(), 2);

    // Nested inside a direction code's own pending-events call, with a tick of the movement
    // already under way nested in between.
    serial.Deliver(Byte(W));
    pump.PostAtCall(1, [&] {
        serial.Deliver("x");
        timer.Fire();
        serial.Deliver("y" + Byte(E));
    });
    serial.Deliver(Byte(N) + "z");
    EXPECT_EQ(Listed(), (Codes{E, 121, 120, 122, N}));
    EXPECT_EQ(dispatcher.BytesReceived(), 11);
    EXPECT_EQ(Typed(), "ABCDEZXY");
    EXPECT_EQ(injector.Moves(), (std::vector<Step>{{-10, 0}, {-10, 0}, {0, -6}, {10, 0}}));
    EXPECT_EQ((Step{road.Movement().StepX(), road.Movement().StepY()}),
              (Step{10, 0}));  // the newest code holds
    EXPECT_TRUE(pump.Idle());
}

TEST_F(Dispatch, CountStopsAtTheLargestValueAndResets) {
    test::TraceCapture trace;
    dispatcher.SetBytesReceived(std::numeric_limits<std::int32_t>::max() - 1);
    serial.Deliver("a");
    EXPECT_EQ(road.Status().counted, 1u);
    serial.Deliver("b");
    EXPECT_EQ(road.Status().bytesReceived, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(road.Status().counted, 1u);  // the count stays as it was
    EXPECT_TRUE(trace.Contains("frmSerial.UpdateBytesReceived:#Method Exit Error#: Overflow"));
    EXPECT_EQ(Listed(), (Codes{98, 97}));  // still listed
    EXPECT_EQ(Typed(), "AB");              // and typed

    bool told = false;
    road.SetOnChanged([&] { told = true; });
    ASSERT_TRUE(road.ResetBytesReceived());
    EXPECT_TRUE(told);  // the shell is told
    serial.Deliver("c");
    EXPECT_EQ(road.Status().bytesReceived, 1);
    EXPECT_EQ(Listed(), (Codes{99, 98, 97}));  // the list is never cleared
}

TEST_F(Dispatch, LetsGoOfTheSerialControlWhenDestroyed) {
    test::ScriptedSerial other;
    std::make_unique<Road>(Road::Parts{&settings, &other, &injector, &timer, &pump, &os}).reset();
    EXPECT_FALSE(other.HasCommHandler());  // (the road takes it: the tests above)
}

}  // namespace
}  // namespace qm
