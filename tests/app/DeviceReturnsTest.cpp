// The main window over the real serial control when its device goes away and comes back under
// the same name: COM7: resolves to a symbolic link that is pointed at a new pseudo-terminal, as
// a device that is unplugged and plugged in again.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "ports/qt/QtSerialControl.h"
#include "road/Road.h"
#include "support/TempDir.h"
#include "support/gui/PtyPair.h"
#include "ui/WindowFixture.h"

using namespace qm;
using namespace qm::test;
namespace fs = std::filesystem;

namespace {

// Points link at target, replacing what it pointed at in one step.
void PointLink(const fs::path& link, const std::string& target) {
    const fs::path fresh = link.string() + ".new";
    fs::remove(fresh);
    fs::create_symlink(target, fresh);
    fs::rename(fresh, link);
}

}  // namespace

class DeviceReturnsTest : public QObject {
    Q_OBJECT

private slots:
    void connectWorksAgainOnceTheDeviceIsBack();
};

void DeviceReturnsTest::connectWorksAgainOnceTheDeviceIsBack() {
    TempDir dir;
    const fs::path device = dir.Path() / "switch-device";
    auto first = std::make_unique<PtyPair>();
    PointLink(device, first->DevicePath());

    // Made before the window, which uses it to the end.
    QtSerialControl serial(
        [&device](std::int16_t port) { return port == 7 ? device.string() : std::string(); });
    ScriptedMessageBoxes boxes;
    SettingsRecord settings;
    FillDefaultSettings(settings);
    settings.PortName("COM7:");
    FakeTray tray;
    RecordingInjector injector;
    ManualTimer timer;
    ScriptedPump pump;
    FixedOsVersion os{VER_PLATFORM_WIN32_NT, 5, 1};
    Road road({&settings, &serial, &injector, &timer, &pump, &os});
    frmSerial::Parts parts;
    parts.settings = &settings;
    parts.SetSettings = [] { return true; };
    parts.Terminate = [] {};
    parts.mscSerial = &serial;
    parts.tray = &tray;
    parts.road = &road;
    frmSerial window(parts);
    window.Ports() = {{"COM1:", false, "/dev/ttyS0"}, {"COM7:", false, device.string()}};
    window.LoadPortsList();
    window.InitialiseSysTray();
    window.CreateOSInfo();
    window.Reset();
    window.show();
    auto* connect = window.findChild<QPushButton*>("cmdOpenPort");
    auto* disconnect = window.findChild<QPushButton*>("cmdClosePort");
    auto* count = window.findChild<QLineEdit*>("txtBytesReceived");
    const std::string connected = "Quillmotion Enabled\r\nConnected to COM7: at 2400\r\n";
    const std::string notConnected = "Quillmotion Enabled\r\nNot Connected";

    QTest::mouseClick(connect, Qt::LeftButton);
    QVERIFY(serial.PortOpen());
    QCOMPARE(tray.Tip(), connected + "0 bytes received");

    // Unplugged while the pointer moves.
    first->Write(std::string(1, '\x02'));
    QTRY_VERIFY(timer.Enabled());
    first->CloseFarEnd();
    QTRY_VERIFY(!serial.PortOpen());
    QTRY_VERIFY(connect->isEnabled());
    QVERIFY(!timer.Enabled());
    QCOMPARE(tray.Tip(), notConnected);

    // Plugged in again under the same name: Connect opens the new device and bytes flow.
    auto second = std::make_unique<PtyPair>();
    PointLink(device, second->DevicePath());
    first.reset();
    QTest::mouseClick(connect, Qt::LeftButton);
    QVERIFY(boxes.All().empty());
    QVERIFY(serial.PortOpen());
    QVERIFY(!connect->isEnabled());
    QVERIFY(disconnect->isEnabled());
    QVERIFY(tray.Tip().rfind(connected, 0) == 0);
    const std::int32_t before = window.BytesReceived();
    second->Write("a");
    QTRY_COMPARE(count->text().toInt(), before + 1);
    QCOMPARE(window.ReceivedBuffer().substr(0, 5), std::string("097\r\n"));

    // And the new line hangs up as the first did.
    second->CloseFarEnd();
    QTRY_VERIFY(!serial.PortOpen());
    QTRY_COMPARE(tray.Tip(), notConnected);
    window.Form_Unload();
}

QTEST_MAIN(DeviceReturnsTest)
#include "DeviceReturnsTest.moc"
