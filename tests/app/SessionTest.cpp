// The session over the real serial control on a pseudo-terminal behind a link (a device that can
// be unplugged and plugged in again under the same name), the real road on a desktop in memory,
// a manual reconnect timer and scripted message boxes.

#include "app/Session.h"
#include "ports/qt/QtSerialControl.h"
#include "support/CoreRoad.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"
#include "support/gui/PtyPair.h"
#include "ui/WindowFixture.h"

using namespace qm;
using namespace qm::test;

namespace {

using Connection = SessionStatus::Connection;

struct SessionFixture {
    SessionFixture() {
        line->LinkAt(device);
        road.settings.E_ASCII(2);
        road.settings.MovementIncrementX(1);
        road.settings.ReconnectAutomatically(1);
    }
    Connection State() const { return session.Status().connection; }
    // The device unplugged, and (if asked) a new one plugged in under the same name.
    void Unplug(bool plugAgain) {
        line->CloseFarEnd();
        QTRY_VERIFY(!serial.PortOpen());
        if (plugAgain) {
            line = std::make_unique<PtyPair>();
            line->LinkAt(device);
        }
    }

    TraceCapture trace;
    ScriptedMessageBoxes boxes;
    TempDir dir;
    std::string device = dir.File("switch-device");
    std::unique_ptr<PtyPair> line = std::make_unique<PtyPair>();
    QtSerialControl serial{[this](std::int16_t port) { return port == 7 ? device : std::string(); }};
    RoadOnFakes road{&serial};
    ManualTimer reconnectTimer;
    int terminates = 0;
    int changes = 0;
    Session session{{&road.settings, &serial, &road.road, &reconnectTimer, [this] { ++terminates; }}};
    PortChoice com7{"COM7:", "2400,n,8,1", comNone};
};

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

private slots:
    // Connected, unplugged while the pointer moves, waited for while gone, open again once back;
    // Disconnect ends a wait, and a wait ends by itself once reconnecting is turned off.
    void vanishesAndComesBack() {
        SessionFixture f;
        f.session.SetOnChanged([&f] { ++f.changes; });
        QVERIFY(f.session.Connect(f.com7, nullptr));
        QCOMPARE(f.State(), Connection::Connected);
        QCOMPARE(f.session.Status().commPort, std::int16_t{7});
        f.line->Write(std::string(1, '\x02'));
        QTRY_VERIFY(f.road.timer.Enabled());

        f.Unplug(false);
        QCOMPARE(f.State(), Connection::Waiting);
        QVERIFY(!f.road.timer.Enabled() && f.reconnectTimer.Enabled());
        QVERIFY(f.trace.Contains("frmSerial.MscSerial_OnClosedByDevice:: Port closed by the device: "));
        QVERIFY(f.reconnectTimer.Fire());  // still gone: no message, still waiting
        QCOMPARE(f.State(), Connection::Waiting);
        f.Unplug(true);
        QVERIFY(f.reconnectTimer.Fire());
        QCOMPARE(f.State(), Connection::Connected);
        QVERIFY(!f.reconnectTimer.Enabled());

        f.Unplug(true);
        f.session.Disconnect();
        QCOMPARE(f.State(), Connection::NotConnected);
        QVERIFY(!f.reconnectTimer.Enabled());

        QVERIFY(f.session.Connect(f.com7, nullptr));
        f.Unplug(true);
        f.road.settings.ReconnectAutomatically(0);
        QVERIFY(f.reconnectTimer.Fire());
        QCOMPARE(f.State(), Connection::NotConnected);
        QVERIFY(!f.serial.PortOpen() && !f.reconnectTimer.Enabled());
        QCOMPARE(f.changes, 8);
        QVERIFY(f.boxes.All().empty());
    }

    // No port chosen, or one with no device: said in a box, and nothing is open.
    void connectFails() {
        SessionFixture f;
        PortChoice none = f.com7;
        none.portName.reset();
        PortChoice com8 = f.com7;
        com8.portName = "COM8:";
        for (const PortChoice& choice : {none, com8}) {
            QVERIFY(!f.session.Connect(choice, nullptr));
        }
        QCOMPARE(f.boxes.Texts().join('|').count("Could not open specified port"), 2);
        QCOMPARE(f.State(), Connection::NotConnected);
        QVERIFY(f.trace.Contains("frmSerial.OpenPort:#Method Exit Error#: 91:frmSerial:Object variable"));
    }

    // The end closes the port, stops any waiting and releases the settings store, once.
    void endsOnce() {
        SessionFixture f;
        QVERIFY(f.session.Connect(f.com7, nullptr));
        for (int i = 0; i < 2; ++i) {
            f.session.End();
            QVERIFY(!f.serial.PortOpen());
            QCOMPARE(f.terminates, 1);
        }
        QCOMPARE(f.State(), Connection::NotConnected);
        QVERIFY(!f.reconnectTimer.Enabled());
    }
};

QTEST_MAIN(SessionTest)
#include "SessionTest.moc"
