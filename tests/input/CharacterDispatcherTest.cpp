#include "input/CharacterDispatcher.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "settings/SettingsLayout.h"
#include "support/CoreManualTimer.h"
#include "support/CoreScriptedPump.h"
#include "support/CoreScriptedSerial.h"
#include "support/TraceCapture.h"
#include "support/fakes/RecordingDesktop.h"

namespace qm {
namespace {

// The thirteen codes, in the matching order, kept clear of the letters the tests type.
enum Code : std::int16_t { N = 200, S, W, E, NE, NW, SW, SE, STOP, LSCLICK, LDCLICK, RSCLICK, RDCLICK };

std::string Byte(std::int16_t code) {
    return std::string(1, static_cast<char>(code));
}

using Step = RecordingDesktop::Step;

// The main window's parts, wired the way the window wires them, on a desktop in memory.
class Dispatch : public ::testing::Test {
protected:
    Dispatch() {
        const std::int16_t codes[] = {N, S, W, E, NE, NW, SW, SE, STOP, LSCLICK, LDCLICK, RSCLICK, RDCLICK};
        SetCodes(codes);
        settings.MovementIncrementX(10);
        settings.MovementIncrementY(6);
        working.MovementDelay = 20;
    }

    // The codes in the matching order.
    void SetCodes(const std::int16_t (&c)[13]) {
        const std::string names[] = {
            "N",  "S",    "W",           "E",           "NE",           "NW",          "SW",
            "SE", "STOP", "LEFT_SCLICK", "LEFT_DCLICK", "RIGHT_SCLICK", "RIGHT_DCLICK"};
        for (std::size_t i = 0; i < 13; ++i) {
            for (const layout::Setting& setting : layout::Settings()) {
                if (setting.valueName == names[i] + "_ASCII") {
                    layout::Load(setting, settings, Variant(c[i]));
                }
            }
        }
    }

    // The characters typed.
    std::string Typed() const { return injector.Typed(); }

    RecordingDesktop injector;
    test::ManualTimer timer;
    test::ScriptedPump pump;
    test::ScriptedSerial serial;
    SettingsRecord settings;
    MovementWorkingValues working;
    std::vector<std::string> bufferTexts, countTexts;
    std::vector<std::int32_t> trayCounts;

    MovementEngine movement{injector, timer, pump, settings, [this] { return working; }};
    ClickEmulation clicks{injector, pump};
    KeystrokeInjection keys{injector};
    AsciiSequenceDecoder decoder{[this](std::int16_t code) { return dispatcher.ProcessCharacter(code); }};
    DispatcherView view{[this](const std::string& text) { bufferTexts.push_back(text); },
                        [this](const std::string& text) { countTexts.push_back(text); },
                        [this] {
                            trayCounts.push_back(dispatcher.BytesReceived());
                            return true;  // the tip was set
                        }};
    CharacterDispatcher dispatcher{settings, serial, pump, decoder, movement, clicks, keys, view, &injector};
};

// One write per receive event, made with the last character's action: a lone byte's event
// waits for nothing, and the events a character lets run find the input before it sent.
TEST_F(Dispatch, EachReceiveEventReachesTheDesktopInOneWrite) {
    std::vector<std::size_t> seen;
    for (int call = 1; call <= 3; ++call) {
        pump.PostAtCall(call, [&] { seen.push_back(injector.Delivered()); });
    }
    serial.Deliver("abc");
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 0, 3}));
    for (const std::string& input : {Byte(E), "d" + Byte(STOP), Byte(LSCLICK)}) {
        const int before = injector.Writes();
        serial.Deliver(input);
        EXPECT_EQ(injector.Writes(), before + 1) << input;
        EXPECT_EQ(injector.Delivered(), injector.EventCount());
    }
}

// Bytes 0 and 255 are dropped in both modes, and events other than a receive read nothing.
TEST_F(Dispatch, DroppedBytesAndOtherEventsDoNothing) {
    for (const std::int16_t mode : {std::int16_t{0}, std::int16_t{1}}) {
        settings.ASCIISequence(mode);
        injector.Clear();
        serial.Deliver(std::string("\0q\xff", 3));
        EXPECT_EQ(dispatcher.BytesReceived(), mode + 1);
        EXPECT_EQ(bufferTexts.size(), std::size_t(mode + 1));
        EXPECT_EQ(Typed(), "q");
    }
    serial.Arrive("z");
    // Send, CTS and ring changes, a break and a parity error: events a control may raise.
    for (const std::int16_t event : std::initializer_list<std::int16_t>{1, 3, 6, 1001, 1009}) {
        serial.Raise(event);
    }
    EXPECT_EQ(dispatcher.BytesReceived(), 2);
    serial.Raise(comEvReceive);
    EXPECT_EQ(dispatcher.ReceivedBuffer().substr(0, 5), "122\r\n");
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
        ASSERT_TRUE(movement.MoveMouse(1, 1));  // moving, so that a stop shows
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
        ASSERT_TRUE(movement.StopMouse());
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
    EXPECT_EQ(dispatcher.ReceivedBuffer().substr(0, 10), "107\r\n203\r\n");
}

TEST_F(Dispatch, SequenceModeListsAndCountsOnlyWhatTheDecoderPassesOn) {
    settings.ASCIISequence(1);
    serial.Deliver("\x1b");
    serial.Deliver("A0");
    serial.Deliver("65");
    EXPECT_EQ(dispatcher.ReceivedBuffer(), "065\r\n");
    EXPECT_EQ(dispatcher.BytesReceived(), 1);
    EXPECT_EQ(Typed(), "A");

    // A value above the virtual keys is listed and counted, and does nothing.
    injector.Clear();
    serial.Deliver("\033A600");
    EXPECT_EQ(dispatcher.ReceivedBuffer(), "600\r\n065\r\n");
    EXPECT_EQ(dispatcher.BytesReceived(), 2);
    EXPECT_EQ(injector.EventCount(), 0u);

    // A sequence for a configured code starts its action; an escaped Esc is typed.
    serial.Deliver("\033A" + std::to_string(N) + "\033\033");
    EXPECT_EQ(injector.Moves(), (std::vector<Step>{{0, -6}}));
    EXPECT_EQ(dispatcher.ReceivedBuffer().substr(0, 15), "027\r\n200\r\n600\r\n");
    serial.Deliver("q");
    EXPECT_EQ(Typed(), "\x1bq");

    // The half-way state survives switching the mode off and on again.
    serial.Deliver("\033A0");
    settings.ASCIISequence(0);
    serial.Deliver("7");
    EXPECT_EQ(dispatcher.ReceivedBuffer().substr(0, 5), "055\r\n");
    settings.ASCIISequence(1);
    serial.Deliver("66");
    EXPECT_EQ(dispatcher.ReceivedBuffer().substr(0, 5), "066\r\n");
}

// Decoded values from 256 press the virtual key value - 256, listed and counted as any code;
// the key codes press theirs (extended ones flagged), after the thirteen. Escape, Ctrl and Alt
// are the end-to-end and device-alone runs' codes.
TEST_F(Dispatch, VirtualKeysAndKeyCodesPressTheirKeys) {
    settings.ASCIISequence(1);
    const std::pair<CodeAction, const char*> codes[] = {{CodeAction::ArrowLeft, "+Left -Left +Left -Left "},
                                                        {CodeAction::ArrowRight, "+Right -Right +Left -Left "},
                                                        {CodeAction::ArrowUp, "+Up -Up +Left -Left "},
                                                        {CodeAction::ArrowDown, "+Down -Down +Left -Left "},
                                                        {CodeAction::Logo, "+Left Logo +Left -Left -Left Logo "}};
    for (const auto& [action, expected] : codes) {
        settings.Code(action, 30);
        injector.Clear();
        serial.Deliver("\x1e\033A293");
        EXPECT_EQ(injector.Log(), expected);
        settings.Code(action, N);
    }
    injector.Clear();
    serial.Deliver(Byte(N));
    EXPECT_EQ(injector.Moves().size(), 1u);
    EXPECT_EQ(dispatcher.ReceivedBuffer().substr(0, 15), "200\r\n293\r\n030\r\n");
    EXPECT_EQ(dispatcher.BytesReceived(), 2 * 5 + 1);
}

// Events run nested inside the pending-events calls. Whatever arrives there is listed (newest
// first, never more than five), acted on and counted exactly once, and in the order it arrived.
TEST_F(Dispatch, NestedReceiveEventsCountOnceInArrivalOrder) {
    test::TraceCapture trace;
    pump.PostAtCall(1, [&] { serial.Deliver("de"); });
    serial.Deliver("abc");
    EXPECT_EQ(Typed(), "abcde");
    EXPECT_EQ(dispatcher.ReceivedBuffer(), "101\r\n100\r\n099\r\n098\r\n097\r\n");
    EXPECT_EQ(bufferTexts.back(), dispatcher.ReceivedBuffer());
    EXPECT_FALSE(trace.Contains("frmSerial.ProcessCharacter:Method Entry")) << "its exit only";
    EXPECT_EQ(countTexts, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(trayCounts, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(serial.InputReads(), 2);

    // Nested inside a direction code's own pending-events call, with a tick of the movement
    // already under way nested in between.
    serial.Deliver(Byte(W));
    countTexts.clear();
    pump.PostAtCall(1, [&] {
        serial.Deliver("x");
        timer.Fire();
        serial.Deliver("y" + Byte(E));
    });
    serial.Deliver(Byte(N) + "z");
    EXPECT_EQ(countTexts, (std::vector<std::string>{"7", "8", "9", "10", "11"}));
    EXPECT_EQ(dispatcher.ReceivedBuffer(), "203\r\n121\r\n120\r\n122\r\n200\r\n");
    EXPECT_EQ(dispatcher.BytesReceived(), 11);
    EXPECT_EQ(Typed(), "abcdezxy");
    EXPECT_EQ(injector.Moves(), (std::vector<Step>{{-10, 0}, {-10, 0}, {0, -6}, {10, 0}}));
    EXPECT_EQ((Step{movement.StepX(), movement.StepY()}), (Step{10, 0}));  // the newest code holds
    EXPECT_TRUE(pump.Idle());
}

TEST_F(Dispatch, CountStopsAtTheLargestValueAndResets) {
    test::TraceCapture trace;
    dispatcher.SetBytesReceived(std::numeric_limits<std::int32_t>::max() - 1);
    serial.Deliver("a");
    EXPECT_EQ(countTexts.back(), "2147483647");
    EXPECT_EQ(trayCounts.size(), 1u);
    serial.Deliver("b");
    EXPECT_EQ(dispatcher.BytesReceived(), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(countTexts.size(), 1u);  // the display stays as it was
    EXPECT_EQ(trayCounts.size(), 1u);
    EXPECT_TRUE(trace.Contains("frmSerial.UpdateBytesReceived:#Method Exit Error#: Overflow"));
    EXPECT_EQ(dispatcher.ReceivedBuffer(), "098\r\n097\r\n");  // still listed
    EXPECT_EQ(Typed(), "ab");                                  // and typed

    ASSERT_TRUE(dispatcher.ResetBytesReceived());
    serial.Deliver("c");
    EXPECT_EQ(countTexts.back(), "1");
    EXPECT_EQ(trayCounts.back(), 1);
    EXPECT_EQ(dispatcher.ReceivedBuffer(), "099\r\n098\r\n097\r\n");  // the list is never cleared
}

TEST_F(Dispatch, LetsGoOfTheSerialControlWhenDestroyed) {
    test::ScriptedSerial otherSerial;
    {
        CharacterDispatcher d(settings, otherSerial, pump, decoder, movement, clicks, keys);
        EXPECT_TRUE(otherSerial.HasCommHandler());
    }
    EXPECT_FALSE(otherSerial.HasCommHandler());
}

}  // namespace
}  // namespace qm
