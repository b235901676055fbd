// The load handler over the real settings store in a temporary folder, the real settings module
// and port discovery, with a scripted or a real serial control (a pseudo-terminal).

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <set>

#include "SettingsTree.h"
#include "app/StartupSequence.h"
#include "app/linux/LinuxPlatform.h"
#include "ports/PortAPI.h"
#include "ports/PortSystem.h"
#include "ports/qt/QtSerialControl.h"
#include "road/Road.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/modSettings.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"
#include "support/gui/PtyPair.h"
#include "ui/Pictures.h"
#include "ui/QtTrayIcon.h"
#include "ui/WindowFixture.h"

using namespace qm;
using namespace qm::test;

namespace {

// The system's ports as a fixed list; a port named in busy does not open.
class ListedPorts final : public PortSystem {
public:
    explicit ListedPorts(std::vector<std::string> names) {
        for (const std::string& name : names) {
            ports_.push_back({name, "Quillmotion", "", PORT_TYPE_READ | PORT_TYPE_WRITE, 0});
        }
    }
    bool EnumPortsA(const std::string&, DWORD, PORT_INFO_2* pPorts, DWORD cbBuf, DWORD* pcbNeeded,
                    DWORD* pcReturned) override {
        return EnumPortsFromList(ports_, pPorts, cbBuf, pcbNeeded, pcReturned);
    }
    HANDLE CreateFileA(const std::string& name, DWORD, DWORD, const SECURITY_ATTRIBUTES*, DWORD, DWORD,
                       HANDLE) override {
        return busy.count(name) != 0 ? INVALID_HANDLE_VALUE : 1;
    }
    bool CloseHandle(HANDLE) override { return true; }

    std::set<std::string> busy;

private:
    std::vector<PORT_INFO_2> ports_;
};

std::vector<std::string> EntriesOf(const std::vector<std::string>& reports) {
    std::vector<std::string> entries;
    for (const std::string& report : reports) {
        const std::size_t at = report.find(":Method Entry");
        if (at != std::string::npos && report.rfind("frmSerial.", 0) == 0) {
            entries.push_back(report.substr(0, at));
        }
    }
    return entries;
}

// The settings tree of an installation in a temporary hive, and the program's parts over it.
struct StartupFixture {
    TraceCapture trace;
    TempDir dir;
    std::string hive = dir.File("HKEY_LOCAL_MACHINE.reg");
    std::unique_ptr<FileHiveRegistry> registry;
    SettingsRecord record;
    std::unique_ptr<modSettings> settings;
    ScriptedMessageBoxes boxes;
    FakeTray fakeTray;
    ScriptedSerial scripted;
    RecordingInjector injector;
    ManualTimer timer;
    ScriptedPump pump;
    FixedOsVersion os{VER_PLATFORM_WIN32_NT, 5, 1};
    ListedPorts ports{{"COM1:", "LPT1:", "COM7:"}};
    std::unique_ptr<Road> road;
    std::unique_ptr<frmSerial> window;

    PortListView* Ports() const { return window->findChild<PortListView*>("lvwPort"); }

    explicit StartupFixture(bool withTree = true) {
        Open();
        if (withTree) {
            SettingsTree::EnsureTree(*registry);
            SettingsTree::MapPort(*registry, "COM7:", "/dev/null");
        }
    }

    // A new store over the same file, as a new run of the program has.
    void Open() {
        window.reset();
        settings.reset();
        registry = std::make_unique<FileHiveRegistry>(hive, std::string());
        record = SettingsRecord();
        settings = std::make_unique<modSettings>(record, *registry);
    }

    void Set(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
        std::string error;
        const auto value = SettingsTree::ParseValue(type, {data}, error);
        QVERIFY2(value.has_value(), error.c_str());
        QVERIFY(SettingsTree::WriteValue(*registry, key, name, *value).Ok());
    }
    SettingsTree::RegValue Get(const std::string& key, const std::string& name) {
        SettingsTree::RegValue value;
        SettingsTree::ReadValue(*registry, key, name, value);
        return value;
    }

    bool Load(TrayIcon* tray = nullptr, SerialControl* serial = nullptr) {
        frmSerial::Parts parts;
        parts.settings = &record;
        parts.SetSettings = [this] { return settings->SetSettings(); };
        parts.Terminate = [this] { settings->Terminate(); };
        parts.mscSerial = serial != nullptr ? serial : &scripted;
        parts.tray = tray != nullptr ? tray : &fakeTray;
        window.reset();
        road = std::make_unique<Road>(Road::Parts{&record, parts.mscSerial, &injector, &timer, &pump, &os});
        parts.road = road.get();
        window = std::make_unique<frmSerial>(parts);
        StartupParts startup;
        startup.GetSettings = [this] { return settings->GetSettings(); };
        startup.SettingsStoreError = [this] { return SettingsStoreProblem(*registry); };
        startup.settings = &record;
        startup.GetAvailablePorts = [this](std::vector<PortListEntry>& rows) {
            modPortAPI api(ports, record);
            std::vector<PortInfo> found;
            const std::int16_t count = api.GetAvailablePorts(found);
            rows.clear();
            for (const PortInfo& port : found) {
                rows.push_back({port.Name, port.InUse, ""});
            }
            return count;
        };
        StartupSequence sequence(*window, startup);
        return sequence.Form_Load();
    }
};

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void cleanStartInOrder();
    void failuresEndTheProgram();
    void missingSavedPortKeepsTheWindow();
    void noNotificationAreaKeepsRunning();
    void startupOptionsMinimiseAndConnect();
    void realPortConnectsReceivesAndHangsUp();
    void stopBitsSurviveARestart();
};

void StartupTest::cleanStartInOrder() {
    StartupFixture f;
    f.Set("", "TracingEnabled", REG_DWORD, "1");
    WriteFile(f.trace.LogPath(), "a line from the previous run\r\n");
    QVERIFY(f.Load());
    QVERIFY(f.boxes.All().empty());
    QVERIFY(!f.window->IsUnloaded());
    QVERIFY(!f.window->isMinimized());

    const std::vector<std::string> reports = f.trace.Reports();
    QVERIFY(reports.size() > 3);
    QCOMPARE(reports[0], std::string("frmSerial.Form_Load:Method Entry: "));
    QCOMPARE(reports[1], std::string("frmSerial.Form_Load:: Deleting previous log file..."));
    QCOMPARE(reports[2], std::string("modSettings.GetSettings:Method Entry: "));
    QVERIFY(!f.trace.Contains("a line from the previous run"));
    const std::vector<std::string> order = {"frmSerial.Form_Load",     "frmSerial.InitialiseSysTray",
                                            "frmSerial.LoadPortsList", "frmSerial.UpdateTrayIconInfo",
                                            "frmSerial.Reset",         "frmSerial.ShowPortSettings"};
    std::vector<std::string> entries = EntriesOf(reports);
    std::vector<std::string> firsts;
    for (const std::string& name : entries) {
        if (std::find(firsts.begin(), firsts.end(), name) == firsts.end() &&
            std::find(order.begin(), order.end(), name) != order.end()) {
            firsts.push_back(name);
        }
    }
    QCOMPARE(firsts, order);
    QVERIFY(f.trace.Contains("modPortAPI.GetAvailablePorts"));
    QCOMPARE(reports.back(), std::string("frmSerial.Form_Load:Method Exit: "));

    // The ports in the list, the saved one selected; the icon added, then its first tip.
    QCOMPARE(f.Ports()->topLevelItemCount(), 2);
    QCOMPARE(f.Ports()->SelectedItem()->text(0), QStringLiteral("COM1:"));
    QCOMPARE(f.fakeTray.tips,
             (std::vector<std::string>{"Quillmotion Enabled", "Quillmotion Enabled\r\nNot Connected"}));
    QVERIFY(f.window->OSInfo() != nullptr);

    // With tracing off in the settings, the trace stops after the settings are loaded.
    StartupFixture quiet;
    QVERIFY(quiet.Load());
    QVERIFY(quiet.trace.Contains("modSettings.GetSettings:Method Exit"));
    QVERIFY(!quiet.trace.Contains("frmSerial.Reset"));
}

void StartupTest::failuresEndTheProgram() {
    {  // A settings file that does not parse: the store says why.
        StartupFixture f(false);
        WriteFile(f.hive, "this is not a registry file\n");
        f.Open();
        QVERIFY(!f.Load());
        QCOMPARE(f.boxes.All().size(), std::size_t{1});
        const QString text = f.boxes.All().front().text;
        QVERIFY2(text.startsWith("Could not retrieve one or more system settings\r\n\r\n"), qPrintable(text));
        QVERIFY2(text.contains(QString::fromStdString(f.hive)), qPrintable(text));
        QCOMPARE(f.boxes.All().front().icon, MsgIcon::Critical);
        QCOMPARE(f.boxes.All().front().title, QStringLiteral("Quillmotion"));
        QVERIFY(f.window->IsUnloaded());
        QVERIFY(f.trace.Contains("frmSerial.Form_Unload:Method Entry"));
        QVERIFY(!f.trace.Contains("frmSerial.InitialiseSysTray"));
    }
    {  // No settings file at all: the user learns how to make one.
        StartupFixture f(false);
        QVERIFY(!f.Load());
        const QString text = f.boxes.All().front().text;
        QVERIFY2(text.startsWith("Could not retrieve one or more system settings\r\n\r\nThe settings file "),
                 qPrintable(text));
        QVERIFY(text.contains("quillmotion-settings init"));
    }
    {  // A code missing from a good store: the plain message.
        StartupFixture f;
        HKEY key = 0;
        QCOMPARE(
            f.registry->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tallowmer\\Quillmotion\\Mouse\\Movement",
                                      0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
        QCOMPARE(f.registry->RegDeleteValueA(key, "N_ASCII"), ERROR_SUCCESS);
        f.registry->RegCloseKey(key);
        QVERIFY(!f.Load());
        QCOMPARE(f.boxes.Texts(), QStringList{"Could not retrieve one or more system settings"});
    }
    {  // No COM port: only a printer port is found.
        StartupFixture f;
        f.ports = ListedPorts({"LPT1:"});
        QVERIFY(!f.Load());
        QCOMPARE(f.boxes.Texts(), QStringList{"Could not detect communications ports"});
        QCOMPARE(f.boxes.All().front().icon, MsgIcon::Critical);
        QVERIFY(f.window->IsUnloaded());
    }
    {  // A saved line setting that is none of the list's items: Reset's message, and no other.
        StartupFixture f;
        f.Set("Ports\\LastPort", "Parity", REG_SZ, "Sometimes");
        QVERIFY(!f.Load());
        QCOMPARE(f.boxes.Texts(), QStringList{"Could not display Port Settings"});
        QVERIFY(f.window->IsUnloaded());
    }
}

void StartupTest::missingSavedPortKeepsTheWindow() {
    StartupFixture f;
    f.Set("", "TracingEnabled", REG_DWORD, "1");
    f.Set("Ports\\LastPort", "PortName", REG_SZ, "COM9:");
    f.Set("", "ConnectOnApplicationStartup", REG_DWORD, "1");
    f.Set("", "RunOnSystemStartup", REG_DWORD, "1");
    QVERIFY(f.Load());
    QVERIFY(!f.window->IsUnloaded());
    QCOMPARE(f.boxes.All().size(), std::size_t{1});
    QCOMPARE(f.boxes.All().front().icon, MsgIcon::Exclamation);
    QVERIFY(f.boxes.All().front().text.contains("COM9:"));
    // Shown, so another port can be chosen; nothing was opened.
    QVERIFY(!f.window->isMinimized());
    QVERIFY(!f.scripted.PortOpen());
    QVERIFY(f.trace.Contains("frmSerial.Form_Load:Method Exit"));

    f.window->show();
    QTest::mouseClick(f.Ports()->viewport(), Qt::LeftButton, {},
                      f.Ports()->visualItemRect(f.Ports()->FindKey("COM7:")).center());
    QVERIFY(f.window->findChild<QPushButton*>("cmdApply")->isEnabled());
    QTest::mouseClick(f.window->findChild<QPushButton*>("cmdApply"), Qt::LeftButton);
    QCOMPARE(f.Get("Ports\\LastPort", "PortName").data,
             (std::vector<unsigned char>{'C', 'O', 'M', '7', ':', 0}));
    // The other settings were kept, not overwritten with a half-reset working copy.
    QCOMPARE(f.Get("", "ConnectOnApplicationStartup").data, (std::vector<unsigned char>{1, 0, 0, 0}));
    QCOMPARE(f.Get("Mouse\\Movement", "BouncyMouseAngle").data, (std::vector<unsigned char>{90, 0, 0, 0}));
}

void StartupTest::noNotificationAreaKeepsRunning() {
    StartupFixture f;
    f.Set("", "RunOnSystemStartup", REG_DWORD, "1");
    QtTrayIcon tray(ApplicationIcon());
    QVERIFY(!tray.AreaAvailable());  // the offscreen platform has none
    QVERIFY(f.Load(&tray));
    QVERIFY(f.boxes.All().empty());
    QVERIFY(!f.window->IsUnloaded());
    // Minimised by the start-up option, yet not hidden: nothing could bring it back.
    QVERIFY(f.window->isMinimized());
    f.window->showMinimized();
    QVERIFY(f.window->isVisible());
    QCOMPARE(tray.Tip(), std::string("Quillmotion Enabled\r\nNot Connected"));
}

void StartupTest::startupOptionsMinimiseAndConnect() {
    {  // Run at start-up: minimised to the tray.
        StartupFixture f;
        f.Set("", "RunOnSystemStartup", REG_DWORD, "1");
        QVERIFY(f.Load());
        QVERIFY(f.window->isMinimized());
        QVERIFY(!f.window->isVisible());
        QVERIFY(!f.scripted.PortOpen());
    }
    {  // Connect at start-up: the saved port with the saved settings, the tip says so.
        StartupFixture f;
        f.Set("", "ConnectOnApplicationStartup", REG_DWORD, "1");
        f.Set("Ports\\LastPort", "PortName", REG_SZ, "COM7:");
        f.Set("Ports\\LastPort", "Handshaking", REG_SZ, "Xon/Xoff");
        QVERIFY(f.Load());
        QVERIFY(f.boxes.All().empty());
        QVERIFY(f.window->isMinimized());
        QVERIFY(f.scripted.PortOpen());
        QCOMPARE(f.scripted.CommPort(), std::int16_t{7});
        QCOMPARE(f.scripted.Settings(), std::string("2400,n,8,1"));
        QCOMPARE(f.scripted.Handshaking(), comXOnXoff);
        QCOMPARE(f.fakeTray.Tip(),
                 std::string("Quillmotion Enabled\r\nConnected to COM7: at 2400\r\n0 bytes received"));
    }
    {  // A port that will not open: the message while hidden, and the tip says so.
        StartupFixture f;
        f.Set("", "ConnectOnApplicationStartup", REG_DWORD, "1");
        f.scripted.FailOpen(true);
        QVERIFY(f.Load());
        QCOMPARE(f.boxes.Texts(), QStringList{"Could not open specified port"});
        QCOMPARE(f.boxes.All().front().icon, MsgIcon::Exclamation);
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.fakeTray.Tip(), std::string("Quillmotion Enabled\r\nNot Connected"));
    }
}

void StartupTest::realPortConnectsReceivesAndHangsUp() {
    PtyPair pty;
    // Made before the window, which uses it to the end.
    QtSerialControl serial(
        [&pty](std::int16_t port) { return port == 7 ? pty.DevicePath() : std::string(); });
    StartupFixture f;
    SettingsTree::MapPort(*f.registry, "COM7:", pty.DevicePath());
    f.Set("", "ConnectOnApplicationStartup", REG_DWORD, "1");
    f.Set("Ports\\LastPort", "PortName", REG_SZ, "COM7:");
    f.Set("Ports\\LastPort", "BaudRate", REG_DWORD, "9600");
    QVERIFY(f.Load(nullptr, &serial));
    QVERIFY(f.boxes.All().empty());
    QVERIFY(serial.PortOpen());
    QCOMPARE(f.fakeTray.Tip(),
             std::string("Quillmotion Enabled\r\nConnected to COM7: at 9600\r\n0 bytes received"));

    pty.Write("hi");
    QTRY_COMPARE(f.window->ReceivedBuffer(), std::string("105\r\n104\r\n"));
    QCOMPARE(f.fakeTray.Tip(),
             std::string("Quillmotion Enabled\r\nConnected to COM7: at 9600\r\n2 bytes received"));
    // The hidden window's count box takes the latest count when it is shown.
    auto* count = f.window->findChild<QLineEdit*>("txtBytesReceived");
    QCOMPARE(count->text(), QStringLiteral("0"));
    f.window->show();
    QTRY_COMPARE(count->text(), QStringLiteral("2"));

    // The device goes away: the control closes the port and the window follows.
    pty.Write(std::string(1, '\x02'));  // East: the pointer is moving when the line drops
    QTRY_VERIFY(f.timer.Enabled());
    pty.CloseFarEnd();
    QTRY_VERIFY(!serial.PortOpen());
    QTRY_VERIFY(f.window->findChild<QPushButton*>("cmdOpenPort")->isEnabled());
    QVERIFY(!f.window->findChild<QPushButton*>("cmdClosePort")->isEnabled());
    QVERIFY(!f.timer.Enabled());
    QCOMPARE(f.fakeTray.Tip(), std::string("Quillmotion Enabled\r\nNot Connected"));
    f.window->Form_Unload();
}

void StartupTest::stopBitsSurviveARestart() {
    StartupFixture f;
    QVERIFY(f.Load());
    f.window->show();
    WindowFixture::Choose(f.window->findChild<QComboBox*>("cboStopBits"), "1.5");
    QTest::mouseClick(f.window->findChild<QPushButton*>("cmdApply"), Qt::LeftButton);
    QVERIFY(!f.window->Dirty());
    QCOMPARE(f.Get("Ports\\LastPort", "StopBits").type, REG_DWORD);
    QCOMPARE(f.Get("Ports\\LastPort", "StopBits").data, (std::vector<unsigned char>{15, 0, 0, 0}));
    f.window->Form_Unload();

    // The next run reads it back as 1.5 and starts clean.
    f.Open();
    QVERIFY(f.Load());
    QCOMPARE(f.window->findChild<QComboBox*>("cboStopBits")->currentText(), QStringLiteral("1.5"));
    f.window->show();
    f.window->CheckDirty();
    QVERIFY(!f.window->Dirty());

    // "2" is stored as 2, as it always was.
    WindowFixture::Choose(f.window->findChild<QComboBox*>("cboStopBits"), "2");
    QTest::mouseClick(f.window->findChild<QPushButton*>("cmdApply"), Qt::LeftButton);
    QCOMPARE(f.Get("Ports\\LastPort", "StopBits").data, (std::vector<unsigned char>{2, 0, 0, 0}));
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
