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

using Step = RecordingDesktop::Step;
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

    // The characters typed.
    std::string Typed() const { return desktop.Typed(); }

    CharacterDispatcher& dispatcher = road.Dispatcher();
};

// One write per receive event, made with the last character's action: a lone byte's event
// waits for nothing, and the events a character lets run find the input before it sent.
TEST_F(Dispatch, EachReceiveEventReachesTheDesktopInOneWrite) {
    std::vector<std::size_t> seen;
    for (int call = 1; call <= 3; ++call) {
        pump.PostAtCall(call, [&] { seen.push_back(desktop.Delivered()); });
    }
    serial.Deliver("abc");
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 0, 3}));
    for (const std::string& input : {Byte(E), "d" + Byte(STOP), Byte(LSCLICK)}) {
        const int before = desktop.Writes();
        serial.Deliver(input);
        EXPECT_EQ(desktop.Writes(), before + 1) << input;
        EXPECT_EQ(desktop.Delivered(), desktop.EventCount());
    }
}

// Bytes 0 and 255 are dropped in both modes, and events other than a receive read nothing.
TEST_F(Dispatch, DroppedBytesAndOtherEventsDoNothing) {
    for (const std::int16_t mode : {std::int16_t{0}, std::int16_t{1}}) {
        settings.ASCIISequence(mode);
        desktop.Clear();
        serial.Deliver(std::string("\0q\xff", 3));
        EXPECT_EQ(dispatcher.BytesReceived(), mode + 1);
        EXPECT_EQ(Listed().size(), std::size_t(mode + 1));
        EXPECT_EQ(Typed(), "q");
    }
    serial.Arrive("z");
    // Send, CTS and ring changes, a break and a parity error: events a control may raise.
    for (const std::int16_t event : std::initializer_list<std::int16_t>{1, 3, 6, 1001, 1009}) {
        serial.Raise(event);
    }
    EXPECT_EQ(dispatcher.BytesReceived(), 2);
    serial.Raise(comEvReceive);
    EXPECT_EQ(Listed().front(), 122);
}

// Each setting in turn shares its code with every setting after it: the earlier one must win.
TEST_F(Dispatch, FirstMatchInTheFixedOrderWins) {
    const std::string LD = "left down", LU = "left up", RD = "right down", RU = "right up";
    // What each code does when it wins: its move or its clicks; Stop, the ninth, stops.
    const std::pair<std::vector<Step>, std::vector<std::string>> expected[13] = {
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
        desktop.Clear();
        serial.Deliver(Byte(150));
        const auto& [moves, buttons] = expected[i];
        EXPECT_EQ(desktop.Moves(), moves);
        EXPECT_EQ(desktop.Buttons(), buttons);
        EXPECT_EQ(timer.Enabled(), i != 8);
        EXPECT_EQ(Typed(), "");
        if (i != 8) {  // a click leaves the movement running as it was
            ASSERT_TRUE(timer.Fire());
            EXPECT_EQ(desktop.Moves().back(), (moves.empty() ? Step{1, 1} : moves[0]));
        }
        ASSERT_TRUE(road.Movement().StopMouse());
    }
}

// Steps round half to even; one that does not fit abandons the character before it is counted.
TEST_F(Dispatch, StepsRoundHalvesToEvenAndAnOverflowingOneIsDropped) {
    settings.MovementIncrementX(-1.5f);
    settings.MovementIncrementY(2.5f);
    serial.Deliver(Byte(N) + Byte(W));
    EXPECT_EQ(desktop.Moves(), (std::vector<Step>{{0, -2}, {2, 0}}));
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
    desktop.Clear();
    serial.Deliver("\033A600");
    EXPECT_EQ(Listed(), (Codes{600, 65}));
    EXPECT_EQ(dispatcher.BytesReceived(), 2);
    EXPECT_EQ(desktop.EventCount(), 0u);

    // A sequence for a configured code starts its action; an escaped Esc is typed.
    serial.Deliver("\033A" + std::to_string(N) + "\033\033");
    EXPECT_EQ(desktop.Moves(), (std::vector<Step>{{0, -6}}));
    EXPECT_EQ(Listed(), (Codes{27, 200, 600, 65}));
    serial.Deliver("q");
    EXPECT_EQ(Typed(), "\x1bq");

    // The half-way state survives switching the mode off and on again.
    serial.Deliver("\033A0");
    settings.ASCIISequence(0);
    serial.Deliver("7");
    EXPECT_EQ(Listed().front(), 55);
    settings.ASCIISequence(1);
    serial.Deliver("66");
    EXPECT_EQ(Listed().front(), 66);

    // A closed port ends it: the next sequence is whole.
    desktop.Clear();
    serial.Deliver("\033A27");
    road.PortClosed();
    serial.Deliver("\033A066");
    EXPECT_EQ(Listed().front(), 66);
    EXPECT_EQ(Typed(), "B");
}

// Decoded values from 256 press the virtual key value - 256, listed and counted as any code;
// the key codes press theirs (extended ones flagged), after the thirteen. Escape, Ctrl and Alt
// are the end-to-end and device-alone runs' codes.
TEST_F(Dispatch, VirtualKeysAndKeyCodesPressTheirKeys) {
    settings.ASCIISequence(1);
    const std::pair<CodeAction, const char*> codes[] = {
        {CodeAction::ArrowLeft, "+Left -Left +Left -Left "},
        {CodeAction::ArrowRight, "+Right -Right +Left -Left "},
        {CodeAction::ArrowUp, "+Up -Up +Left -Left "},
        {CodeAction::ArrowDown, "+Down -Down +Left -Left "},
        {CodeAction::Logo, "+Left Logo +Left -Left -Left Logo "}};
    for (const auto& [action, expected] : codes) {
        settings.Code(action, 30);
        desktop.Clear();
        serial.Deliver("\x1e\033A293");
        EXPECT_EQ(desktop.Log(), expected);
        settings.Code(action, N);
    }
    desktop.Clear();
    serial.Deliver(Byte(N));
    EXPECT_EQ(desktop.Moves().size(), 1u);
    EXPECT_EQ(Listed(), (Codes{200, 293, 30, 293, 30}));
    EXPECT_EQ(dispatcher.BytesReceived(), 2 * 5 + 1);
}

// A listener takes the next code once, listed and counted but not acted on, whatever it would
// do; one set from inside a code's action waits for the next. In sequence mode it is the decoded
// value. The program's end lets it go.
TEST_F(Dispatch, AListenerTakesTheNextCodeInsteadOfItsAction) {
    Codes taken;
    const auto listen = [&] { road.ListenForNextCode([&](std::int16_t code) { taken.push_back(code); }); };
    pump.PostAtCall(1, listen);
    serial.Deliver(Byte(E) + Byte(LSCLICK) + "a" + Byte(W));
    EXPECT_EQ(taken, Codes{LSCLICK});
    EXPECT_EQ(desktop.Moves(), (std::vector<Step>{{10, 0}, {-10, 0}}));
    EXPECT_TRUE(desktop.Buttons().empty());
    EXPECT_EQ(road.Status().received.Line(2), "209 taken as a code");
    EXPECT_EQ(dispatcher.BytesReceived(), 4);

    settings.ASCIISequence(1);
    listen();
    serial.Deliver("\033A300b");
    EXPECT_EQ(taken, (Codes{LSCLICK, 300}));
    EXPECT_EQ(Typed(), "ab");
    listen();
    road.Shutdown();
    serial.Deliver("c");
    EXPECT_EQ(taken.size(), 2u);
}

// Events run nested inside the pending-events calls. Whatever arrives there is listed (newest
// first, never more than five), acted on and counted exactly once, and in the order it arrived.
TEST_F(Dispatch, NestedReceiveEventsCountOnceInArrivalOrder) {
    test::TraceCapture trace;
    pump.PostAtCall(1, [&] { serial.Deliver("de"); });
    serial.Deliver("abc");
    EXPECT_EQ(Typed(), "abcde");
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
    EXPECT_EQ(Typed(), "abcdezxy");
    EXPECT_EQ(desktop.Moves(), (std::vector<Step>{{-10, 0}, {-10, 0}, {0, -6}, {10, 0}}));
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
    EXPECT_EQ(Typed(), "ab");              // and typed

    bool told = false;
    road.SetOnChanged([&] { told = true; });
    ASSERT_TRUE(road.ResetBytesReceived());
    EXPECT_TRUE(told);  // the shell is told
    serial.Deliver("c");
    EXPECT_EQ(road.Status().bytesReceived, 1);
    EXPECT_EQ(Listed(), (Codes{99, 98, 97}));  // the list is never cleared
}

// The list shows what each code did, as the dispatcher decided it: the first of the thirteen it
// matches (2 is East's and South East's), an optional code, a character or its key, a virtual
// key, or nothing; in ASCII Sequence Mode, so that any value can arrive.
using Shown = std::pair<std::string, std::string>;  // the bytes, and the line the list shows
class ReceivedList : public Dispatch, public ::testing::WithParamInterface<Shown> {};

TEST_P(ReceivedList, ShowsWhatEachCodeDid) {
    settings.ASCIISequence(1);
    settings.E_ASCII(2);
    settings.SE_ASCII(2);
    settings.Code(CodeAction::LeftLock, 20);
    serial.Deliver(GetParam().first);
    EXPECT_EQ(road.Status().received.Line(0), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Codes, ReceivedList,
                         ::testing::Values(Shown{"\x02", "002 East"},
                                           Shown{"\033A212", "212 Right Double Click"},
                                           Shown{"\x14", "020 Left Button Lock"}, Shown{"A", "065 A"},
                                           Shown{"\xe9", "233 \xe9"}, Shown{"\r", "013 Enter"},
                                           Shown{" ", "032 Space"}, Shown{"\x01", "001 not typed"},
                                           Shown{"\033A300", "300 key Print Screen"},
                                           Shown{"\033A263", "263 no key"}, Shown{"\033A600", "600 nothing"}),
                         [](const auto& row) { return "code" + row.param.second.substr(0, 3); });

TEST_F(Dispatch, LetsGoOfTheSerialControlWhenDestroyed) {
    test::ScriptedSerial other;
    std::make_unique<Road>(Road::Parts{&settings, &other, &desktop, &timer, &pump}).reset();
    EXPECT_FALSE(other.HasCommHandler());  // (the road takes it: the tests above)
}

}  // namespace
}  // namespace qm
