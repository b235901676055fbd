#include "ports/qt/QtSerialControl.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "ports/SerialErrors.h"
#include "ports/linux/DeviceLocks.h"
#include "support/Raised.h"
#include "support/TraceCapture.h"
#include "support/gui/PtyPair.h"
#include "support/gui/QtWait.h"

namespace qm {
namespace {

using test::PtyPair;
using test::QtRunFor;
using test::QtWaitUntil;
using test::RaisedBy;

constexpr std::int16_t kPort = 7;

// A control whose COM7: is the pseudo-terminal, recording what its events deliver.
struct Line {
    PtyPair pty;
    QtSerialControl control{
        [this](std::int16_t port) { return port == kPort ? pty.DevicePath() : std::string(); }};
    std::vector<std::int16_t> events;
    std::string received;  // all that the events' input took
    std::vector<std::string> closedReasons;
    bool inputClearsBuffer = true;

    Line() {
        control.SetOnComm([this] {
            events.push_back(control.CommEvent());
            const std::int64_t waiting = control.InBufferCount();
            const std::string input = control.Input();
            inputClearsBuffer = inputClearsBuffer && static_cast<std::int64_t>(input.size()) == waiting &&
                                control.InBufferCount() == 0;
            received += input;
        });
        control.SetOnClosedByDevice([this](const std::string& reason) { closedReasons.push_back(reason); });
        control.SetCommPort(kPort);
    }
};

// Counts socket activations anywhere in the program: a port left polling a dead descriptor
// shows up here as a stream of them.
class SocketActivity : public QObject {
public:
    SocketActivity() { QCoreApplication::instance()->installEventFilter(this); }
    ~SocketActivity() override { QCoreApplication::instance()->removeEventFilter(this); }
    int Count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::SockAct) {
            ++count_;
        }
        return false;
    }

private:
    int count_ = 0;
};

TEST(QtSerialControlTest, DeliversArrivingBytesAsReceiveEventsAndInputTakesAllWaiting) {
    Line line;
    line.control.SetPortOpen(true);
    ASSERT_TRUE(line.control.PortOpen());

    // Bytes already waiting when the loop runs come in one event, as they are (not UTF-8).
    const std::string bytes("AB\xE9\xFF\0y", 6);
    line.pty.Write(bytes);
    ASSERT_TRUE(line.pty.WaitUntilWaiting(6));
    ASSERT_TRUE(QtWaitUntil([&] { return line.received.size() == 6; }));
    EXPECT_EQ(line.received, bytes);
    EXPECT_EQ(line.events, std::vector<std::int16_t>{comEvReceive});
    EXPECT_TRUE(line.inputClearsBuffer);
    EXPECT_EQ(line.control.Input(), "");
    line.control.SetPortOpen(false);
    EXPECT_FALSE(line.control.PortOpen());
}

TEST(QtSerialControlTest, BytesArrivingWhileTheHandlerPumpsEventsGetAnEventOfTheirOwn) {
    Line line;
    bool first = true;
    line.control.SetOnComm([&] {
        line.received += line.control.Input();
        if (first) {
            first = false;
            // The handler lets events run while more bytes come in, as the dispatcher does.
            line.pty.Write("B");
            QtWaitUntil([&] { return line.control.InBufferCount() > 0; }, std::chrono::seconds(2));
        }
    });
    line.control.SetPortOpen(true);
    line.pty.Write("A");
    ASSERT_TRUE(QtWaitUntil([&] { return line.received == "AB"; })) << line.received;
}

// However much the line sends while the program is busy, the control holds at most a few
// kilobytes: the rest waits in the line, and all of it arrives in order.
TEST(QtSerialControlTest, ABacklogWaitsInTheLine) {
    Line line;
    std::int64_t mostWaiting = 0;
    line.control.SetOnComm([&] {
        const bool first = line.received.empty();
        line.received += line.control.Input();
        QtRunFor(std::chrono::milliseconds(first ? 300 : 1));  // typing is slower
        mostWaiting = std::max(mostWaiting, line.control.InBufferCount());
    });
    line.control.SetPortOpen(true);
    std::string burst;
    for (int i = 0; i < 65536; ++i) {
        burst.push_back(static_cast<char>('a' + i % 26));
    }
    std::thread writer([&] { line.pty.Write(burst); });
    const bool all = QtWaitUntil([&] { return line.received.size() == burst.size(); });
    all ? writer.join() : writer.detach();
    ASSERT_TRUE(all) << line.received.size();
    EXPECT_EQ(line.received, burst);
    EXPECT_LE(mostWaiting, 4096);
}

TEST(QtSerialControlTest, LineSettingsAreAppliedOrRefusedWithAnError) {
    Line line;
    line.control.SetSettings("12345,n,8,1");
    line.control.SetHandshaking(comXOnXoff);
    line.control.SetPortOpen(true);
    EXPECT_TRUE(line.control.PortOpen());
    line.control.SetPortOpen(false);

    // Texts that cannot be honoured are refused when set, and the previous settings stay.
    EXPECT_EQ(RaisedBy([&] { line.control.SetSettings("2400,n,4,1"); }).number, comInvalidPropertyValue);
    EXPECT_EQ(line.control.Settings(), "12345,n,8,1");
    EXPECT_THROW(line.control.SetHandshaking(3), RaisedError);
    EXPECT_EQ(line.control.Handshaking(), comXOnXoff);

    // A pseudo-terminal has no parity: the device refuses at open and the port stays closed.
    line.control.SetSettings("2400,e,7,1");
    const test::Raised refused = RaisedBy([&] { line.control.SetPortOpen(true); });
    EXPECT_EQ(refused.number, comBadComm);
    EXPECT_NE(refused.description.find("COM7:"), std::string::npos) << refused.description;
    EXPECT_NE(refused.description.find("refused"), std::string::npos) << refused.description;
    EXPECT_FALSE(line.control.PortOpen());

    // Refused while open: the port stays open with what it had, and still receives.
    line.control.SetSettings("2400,n,8,1");
    line.control.SetPortOpen(true);
    EXPECT_THROW(line.control.SetSettings("2400,e,7,1"), RaisedError);
    EXPECT_EQ(line.control.Settings(), "2400,n,8,1");
    EXPECT_TRUE(line.control.PortOpen());
    line.pty.Write("k");
    EXPECT_TRUE(QtWaitUntil([&] { return line.received == "k"; }));
}

TEST(QtSerialControlTest, OpeningFailsClearlyForABusyOrUnmappedPort) {
    Line line;
    line.control.SetPortOpen(true);

    // The same line cannot be opened twice.
    QtSerialControl second([&](std::int16_t) { return line.pty.DevicePath(); });
    second.SetCommPort(3);
    const test::Raised busy = RaisedBy([&] { second.SetPortOpen(true); });
    EXPECT_EQ(busy.number, comBadComm);
    EXPECT_NE(busy.description.find(line.pty.DevicePath()), std::string::npos) << busy.description;
    // Qt names neither the lock file that keeps it out nor its holder; the control does.
    const std::string lock = LockFileName(line.pty.DevicePath()) + ", which names process ";
    EXPECT_NE(busy.description.find(lock + std::to_string(::getpid())), std::string::npos)
        << busy.description;
    EXPECT_FALSE(second.PortOpen());

    // While open, the port number cannot change and a second open is an error.
    EXPECT_THROW(line.control.SetCommPort(2), RaisedError);
    EXPECT_EQ(line.control.CommPort(), kPort);
    EXPECT_EQ(RaisedBy([&] { line.control.SetPortOpen(true); }).number, comPortAlreadyOpen);
    line.control.SetPortOpen(false);

    // A number the device map does not know.
    line.control.SetCommPort(9);
    const test::Raised unmapped = RaisedBy([&] { line.control.SetPortOpen(true); });
    EXPECT_EQ(unmapped.number, comPortInvalid);
    EXPECT_NE(unmapped.description.find("COM9:"), std::string::npos) << unmapped.description;
    EXPECT_THROW(line.control.SetCommPort(0), RaisedError);
    EXPECT_EQ(line.control.CommPort(), 9);
}

TEST(QtSerialControlTest, AVanishedDeviceClosesThePortOnceAndLeavesTheLoopIdle) {
    test::TraceCapture trace;
    Line line;
    line.control.SetPortOpen(true);
    line.pty.Write("a");
    ASSERT_TRUE(QtWaitUntil([&] { return line.received == "a"; }));
    const std::size_t eventsBefore = line.events.size();

    line.pty.CloseFarEnd();
    ASSERT_TRUE(QtWaitUntil([&] { return !line.closedReasons.empty(); }));
    EXPECT_FALSE(line.control.PortOpen());
    EXPECT_EQ(line.closedReasons, std::vector<std::string>{"the device hung up"});

    // Nothing keeps polling the dead line: no socket activity, no more events.
    SocketActivity activity;
    QtRunFor(std::chrono::milliseconds(300));
    EXPECT_EQ(activity.Count(), 0);
    EXPECT_EQ(line.closedReasons.size(), 1u);
    EXPECT_EQ(line.events.size(), eventsBefore);
    EXPECT_TRUE(trace.Contains("QtSerialControl.CloseOnFailure"));

    // Closing it again is harmless; opening it again fails cleanly.
    line.control.SetPortOpen(false);
    EXPECT_FALSE(line.control.PortOpen());
}

}  // namespace
}  // namespace qm
