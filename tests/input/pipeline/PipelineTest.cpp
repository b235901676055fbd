// Bytes written to the far end of a pseudo-terminal come out as pointer motion, clicks and key
// events that a second X client sees, through the real serial control, dispatcher, movement
// engine and XTest injector, with the dispatcher's trace in log.txt.

#include <gtest/gtest.h>

#include <memory>

#include "app/qt/QtEventPump.h"
#include "app/qt/QtTimer.h"
#include "diag/OSInfo.h"
#include "input/AsciiSequenceDecoder.h"
#include "input/CharacterDispatcher.h"
#include "input/KeystrokeInjection.h"
#include "mouse/ClickEmulation.h"
#include "mouse/MovementEngine.h"
#include "mouse/x11/XTestInjector.h"
#include "ports/qt/QtSerialControl.h"
#include "settings/SettingsRecord.h"
#include "support/TraceCapture.h"
#include "support/gui/PtyPair.h"
#include "support/gui/QtWait.h"
#include "support/gui/XEventRecorder.h"
#include "support/gui/XvfbFixture.h"

namespace qm {
namespace {

constexpr char kEast = 2;
constexpr char kStop = 12;
constexpr char kLeftClick = 14;

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override {
        QM_SKIP_WITHOUT_XVFB();
        xvfb = std::make_unique<test::XvfbFixture>();
        recorder = std::make_unique<test::XEventRecorder>(xvfb->Display());
        injector = std::make_unique<XTestInjector>(xvfb->Display());

        settings.N_ASCII(1);
        settings.E_ASCII(kEast);
        settings.S_ASCII(3);
        settings.W_ASCII(4);
        settings.NE_ASCII(5);
        settings.NW_ASCII(6);
        settings.SE_ASCII(7);
        settings.SW_ASCII(11);
        settings.STOP_ASCII(kStop);
        settings.LEFT_SCLICK_ASCII(kLeftClick);
        settings.LEFT_DCLICK_ASCII(15);
        settings.RIGHT_SCLICK_ASCII(16);
        settings.RIGHT_DCLICK_ASCII(17);
        settings.MovementIncrementX(5);
        settings.MovementIncrementY(5);

        serial = std::make_unique<QtSerialControl>(
            [this](std::int16_t port) { return port == 7 ? pty.DevicePath() : std::string(); });
        movement = std::make_unique<MovementEngine>(*injector, os, timer, pump, settings, [] {
            return MovementWorkingValues{20, 90};
        });
        clicks = std::make_unique<ClickEmulation>(*injector, os, pump);
        keys = std::make_unique<KeystrokeInjection>(*injector, os);
        decoder = std::make_unique<AsciiSequenceDecoder>(
            [this](std::int16_t code) { return dispatcher->ProcessCharacter(code); });
        dispatcher = std::make_unique<CharacterDispatcher>(settings, *serial, pump, *decoder, *movement,
                                                           *clicks, *keys);
        serial->SetCommPort(7);
        serial->SetSettings("2400,n,8,1");
        serial->SetPortOpen(true);
    }

    void TearDown() override {
        if (serial && serial->PortOpen()) {
            serial->SetPortOpen(false);
        }
    }

    // Sends bytes down the line and waits until the dispatcher has counted the characters they
    // make (each byte, unless an escape sequence turns several into one).
    void Send(std::string_view bytes, std::int32_t characters = -1) {
        const std::int32_t expected = dispatcher->BytesReceived() +
                                      (characters < 0 ? static_cast<std::int32_t>(bytes.size()) : characters);
        pty.Write(bytes);
        ASSERT_TRUE(test::QtWaitUntil([&] { return dispatcher->BytesReceived() == expected; }));
    }

    test::TraceCapture trace;
    test::PtyPair pty;
    std::unique_ptr<test::XvfbFixture> xvfb;
    std::unique_ptr<test::XEventRecorder> recorder;
    std::unique_ptr<XTestInjector> injector;
    SettingsRecord settings;
    clsOSInfo os;
    QtTimer timer;
    QtEventPump pump;
    std::unique_ptr<QtSerialControl> serial;
    std::unique_ptr<MovementEngine> movement;
    std::unique_ptr<ClickEmulation> clicks;
    std::unique_ptr<KeystrokeInjection> keys;
    std::unique_ptr<AsciiSequenceDecoder> decoder;
    std::unique_ptr<CharacterDispatcher> dispatcher;
};

TEST_F(Pipeline, BytesOnTheLineMoveStopClickAndType) {
    recorder->WarpPointer(100, 300);

    // East: the pointer keeps moving right, one step per tick, until the stop code.
    Send(std::string(1, kEast));
    ASSERT_TRUE(test::QtWaitUntil([&] { return recorder->Pointer().first >= 100 + 4 * 5; }))
        << "the pointer should move on by itself";
    EXPECT_EQ(recorder->Pointer().second, 300);
    Send(std::string(1, kStop));
    EXPECT_FALSE(timer.Enabled());
    const auto stopped = recorder->Pointer();
    test::QtRunFor(std::chrono::milliseconds(100));
    EXPECT_EQ(recorder->Pointer(), stopped) << "the stop code must stop the pointer";

    // A left click where the pointer is, then "A" typed with Shift held.
    Send(std::string(1, kLeftClick));
    Send("A");
    ASSERT_TRUE(recorder->WaitForEvents(6));
    EXPECT_EQ(recorder->Events(),
              (std::vector<std::string>{"+button1", "-button1", "+Shift_L", "+A", "-Shift_L", "-a"}));

    // Every character was listed, newest first, and counted once.
    EXPECT_EQ(dispatcher->ReceivedBuffer(), "065\r\n014\r\n012\r\n002\r\n");
    EXPECT_EQ(dispatcher->BytesReceived(), 4);
    EXPECT_TRUE(trace.Contains("frmSerial.MscSerial_OnComm:Method Entry: "));
    EXPECT_TRUE(trace.Contains("frmSerial.MoveMouse:Method Exit: "));
    EXPECT_TRUE(trace.Contains("frmSerial.CLickMouse:Method Exit: "));
    EXPECT_TRUE(trace.Contains("frmSerial.SendKeyCode:Method Exit: "));
    EXPECT_TRUE(trace.Contains("frmSerial.ProcessCharacter:Method Exit: "));
}

TEST_F(Pipeline, AnEscapeSequenceTypesACharacterTheLayoutHasNoKeyFor) {
    dispatcher.reset();
    settings.ASCIISequence(1);
    dispatcher =
        std::make_unique<CharacterDispatcher>(settings, *serial, pump, *decoder, *movement, *clicks, *keys);

    // Esc A 233 is é, which the default us keymap of Xvfb has no key for.
    Send(
        "\x1b"
        "A233",
        1);
    ASSERT_TRUE(recorder->WaitForEvents(2));
    EXPECT_EQ(recorder->Events(), (std::vector<std::string>{"+eacute", "-eacute"}));
    EXPECT_EQ(dispatcher->ReceivedBuffer(), "233\r\n");
}

}  // namespace
}  // namespace qm
