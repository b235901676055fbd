// The load handler over the real settings store in a temporary folder and the real settings
// module, with a scripted or a real serial control (a pseudo-terminal); and the session it
// connects, followed while the device goes away and comes back.

#include <sys/stat.h>

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <numeric>

#include "SettingsTree.h"
#include "app/SingleInstance.h"
#include "app/StartupSequence.h"
#include "app/linux/LinuxPlatform.h"
#include "ports/qt/QtSerialControl.h"
#include "settings/RunValueStart.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/modSettings.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"
#include "support/gui/PtyPair.h"
#include "ui/WindowFixture.h"

using namespace qm;
using namespace qm::test;

namespace {

// The settings tree of an installation in a temporary hive, and the program's parts over it.
struct StartupFixture : WindowFixture {
    TraceCapture trace;
    TempDir dir;
    std::string hive = dir.File("HKEY_LOCAL_MACHINE.reg");
    std::unique_ptr<FileHiveRegistry> registry;
    RunValueStart logOn;
    std::unique_ptr<modSettings> store;
    std::vector<PortListEntry> ports = {{"COM1:", false, ""}, {"COM7:", false, ""}};

    explicit StartupFixture(SerialControl* control = nullptr) : WindowFixture(Unbuilt{}, control) {
        Open();
        SettingsTree::EnsureTree(*registry);
    }

    // A new store over the same file, as a new run of the program has.
    void Open() {
        window.reset();
        store.reset();
        registry = std::make_unique<FileHiveRegistry>(hive);
        settings = SettingsRecord();
        store = std::make_unique<modSettings>(settings, *registry, logOn);
    }

    // Settings as "name=data name=data", each where the settings' layout keeps it; data in
    // quotation marks is stored as text whatever the setting's type.
    void Set(const QString& values) {
        for (const QString& assignment : values.split(' ', Qt::SkipEmptyParts)) {
            const std::string name = assignment.section('=', 0, 0).toStdString();
            QString data = assignment.section('=', 1);
            const bool quoted = data.startsWith('"');
            for (const layout::Setting& setting : layout::Settings()) {
                if (name == setting.valueName) {
                    const DWORD type = layout::IsText(setting) || quoted ? REG_SZ : REG_DWORD;
                    std::string error;
                    const auto value = SettingsTree::ParseValue(
                        type, {(quoted ? data.mid(1, data.size() - 2) : data).toStdString()}, error);
                    QVERIFY2(value && SettingsTree::WriteValue(*registry, setting.key, name, *value).Ok(),
                             error.c_str());
                }
            }
        }
    }
    std::string Get(const std::string& key, const std::string& name) {
        SettingsTree::RegValue value;
        SettingsTree::ReadValue(*registry, key, name, value);
        return SettingsTree::ValueText(value);
    }

    bool Load() {
        Build([this] { return store->SetSettings(); }, [this] { store->Terminate(); },
              [this] { return store->LastSaveProblem(); }, [this] { return store->Unsaved(); });
        StartupParts startup;
        startup.GetSettings = [this] { return store->GetSettings(); };
        startup.SettingsStoreError = [this] { return SettingsStoreProblem(*registry); };
        startup.SettingsLoadError = [this] { return store->LastLoadProblem(); };
        startup.settings = &settings;
        startup.road = &road;
        startup.session = session.get();
        startup.GetAvailablePorts = [this](std::vector<PortListEntry>& rows) {
            rows = ports;
            return static_cast<std::int16_t>(rows.size());
        };
        StartupSequence sequence(*window, startup);
        return sequence.Form_Load();
    }
    ~StartupFixture() { window.reset(); }  // while the trace is still captured
};

// What breaks a start-up beyond its settings.
enum Breakage { Nothing, Unreadable, NoFile, CodeMissing, NoPorts, NoDevice, OpenRefused };

// A start-up: its settings and what else breaks; the one box's text (or the pieces it starts with
// and holds) and icon; and how it ends: "unloaded", or the window and the port as the program runs
// on.
const QString kRetrieve = QStringLiteral("Could not retrieve one or more system settings");
const QString kUnsupported =
    QStringLiteral("Could not open specified port\r\n\r\nThe serial driver does not support ");
const std::string kUnreadablePort = "PortName=" + std::string(255, 'x') + " ConnectOnApplicationStartup=1";
const std::vector<std::tuple<const char*, const char*, Breakage, QString, MsgIcon, const char*>> kStarts = {
    {"clean", "", Nothing, "", MsgIcon::None, "normal, closed"},
    {"file unreadable", "", Unreadable, kRetrieve + "\r\n\r\n|HKEY_LOCAL_MACHINE.reg", MsgIcon::Critical,
     "unloaded"},
    {"no file", "", NoFile, kRetrieve + "\r\n\r\nThe settings file |quillmotion-settings init",
     MsgIcon::Critical, "unloaded"},
    {"code missing", "", CodeMissing, kRetrieve + "\r\n\r\n|Mouse\\Movement\\N_ASCII is missing",
     MsgIcon::Critical, "unloaded"},
    // A stored value that is wrong: which, what it holds, what is wrong and how to mend it.
    {"code not a number", "N_ASCII=\"abc\"", Nothing,
     kRetrieve +
         "\r\n\r\n|Movement\\N_ASCII holds \"abc\", which is not a number. The settings cannot be "
         "loaded until it is mended, for example with: quillmotion-settings set \"Mouse\\Movement\" N_ASCII "
         "REG_DWORD 1",
     MsgIcon::Critical, "unloaded"},
    {"code out of range", "E_ASCII=0x80000000", Nothing,
     kRetrieve + "\r\n\r\n|E_ASCII holds -2147483648, which is outside -32768 to 32767.", MsgIcon::Critical,
     "unloaded"},
    {"baud rate 0", "BaudRate=0", Nothing,
     "Baud Rate must be a numeric value.  Please re-enter\r\n\r\n|LastPort\\BaudRate holds 0, which is no "
     "baud rate (1 to 2147483647). The box shows the default 2400 instead, which Apply saves.",
     MsgIcon::Exclamation, "normal, closed"},
    {"no COM port", "", NoPorts, "Could not detect communications ports", MsgIcon::Critical, "unloaded"},
    {"line setting unknown", "Parity=Sometimes", Nothing,
     "Could not display Port Settings\r\n\r\n|LastPort\\Parity holds \"Sometimes\", which is not one of "
     "Even, "
     "Odd, None, Mark, Space. Mend it, for example with: quillmotion-settings set \"Ports\\LastPort\" Parity "
     "REG_SZ None",
     MsgIcon::Critical, "unloaded"},
    // Shown, so that another port can be chosen.
    {"saved port missing", "PortName=COM9: ConnectOnApplicationStartup=1 RunOnSystemStartup=1", Nothing,
     "|COM9:", MsgIcon::Exclamation, "normal, closed"},
    {"saved port unreadable", kUnreadablePort.c_str(), Nothing,
     "No saved port could be read|LastPort\\PortName", MsgIcon::Exclamation, "normal, closed"},
    {"run at log-on", "RunOnSystemStartup=1", Nothing, "", MsgIcon::None, "minimised, closed"},
    // The end-to-end run connects at start-up to a real line; here, with the saved handshaking.
    {"connect", "ConnectOnApplicationStartup=1 Handshaking=Xon/Xoff", Nothing, "", MsgIcon::None,
     "minimised, open"},
    // A device not there yet is waited for, unless reconnecting is off.
    {"no device", "ConnectOnApplicationStartup=1", NoDevice, "", MsgIcon::None, "minimised, closed"},
    {"no device, not waited for", "ConnectOnApplicationStartup=1 ReconnectAutomatically=0", NoDevice,
     "Could not open specified port\r\n\r\nInvalid port number", MsgIcon::Exclamation, "minimised, closed"},
    {"port refused", "ConnectOnApplicationStartup=1", OpenRefused,
     "Could not open specified port\r\n\r\nthe device refused", MsgIcon::Exclamation, "minimised, closed"},
    // Combinations the lists offer that no serial driver takes: said, with which.
    {"4 data bits", "ConnectOnApplicationStartup=1 DataBits=4", Nothing, kUnsupported + "4 data bits.",
     MsgIcon::Exclamation, "minimised, closed"},
    {"1.5 stop bits", "ConnectOnApplicationStartup=1 DataBits=7 StopBits=15", Nothing,
     kUnsupported + "1.5 stop bits with 7 data bits.", MsgIcon::Exclamation, "minimised, closed"},
    {"2 stop bits", "ConnectOnApplicationStartup=1 DataBits=5 StopBits=2", Nothing,
     kUnsupported + "2 stop bits with 5 data bits.", MsgIcon::Exclamation, "minimised, closed"},
};

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void cleanStartInOrder() {
        StartupFixture f;
        f.Set("TracingEnabled=1");
        WriteFile(f.trace.LogPath(), "a line from the previous run\r\n");
        QVERIFY(f.Load());
        QVERIFY(!f.trace.Contains("a line from the previous run"));
        QCOMPARE(f.trace.Reports()[1], std::string("frmSerial.Form_Load:: Deleting previous log file..."));
        QCOMPARE(f.trace.Reports().back(), std::string("frmSerial.Form_Load:Method Exit: "));

        // The ports in the list, the saved one selected; the icon added, then its first tip.
        QCOMPARE(f.Ports()->topLevelItemCount(), 2);
        QCOMPARE(f.Ports()->SelectedItem()->text(0), QStringLiteral("COM1:"));
        QCOMPARE(f.tray.tips,
                 (std::vector<std::string>{"Quillmotion Enabled", "Quillmotion Enabled\r\nNot Connected"}));

        // Standard error has what the log has.
        const auto joined = [](const std::vector<std::string>& lines, const char* end) {
            return std::accumulate(
                lines.begin(), lines.end(), std::string(),
                [end](const std::string& text, const std::string& line) { return text + line + end; });
        };
        QCOMPARE(joined(f.trace.Pieces(), ""), joined(f.trace.Reports(), "\r\n"));

        // With tracing off in the settings, the trace stops after the settings are loaded, and
        // standard error has only the problems: an optional value that is not there is none,
        // a value that cannot be read is one.
        StartupFixture quiet;
        quiet.Set(QString::fromStdString("PortName=" + std::string(255, 'x')));
        QVERIFY(quiet.Load());
        QVERIFY(quiet.trace.Contains("modSettings.GetSettings:Method Exit"));
        QVERIFY(!quiet.trace.Contains("frmSerial.Reset"));
        QVERIFY(quiet.trace.Contains("clsRegistry.GetValue:: Could not open Value - Error was : 2"));
        QCOMPARE(joined(quiet.trace.Pieces(), ""),
                 "clsRegistry.GetValue:: Could not open Value - Error was : 234\r\n"
                 "clsRegistry.GetValue:#Method Exit Error#: \r\n");
    }

    void startsOrEnds_data() { AddRowsOf(kStarts); }

    // A start-up that cannot go on says why and ends the program; the others leave it running,
    // minimised and connected as the settings say.
    void startsOrEnds() {
        const auto& [name, settings, breakage, message, icon, ends] = RowOf(kStarts);
        StartupFixture f;
        f.Set(settings);
        if (breakage == Unreadable || breakage == NoFile) {
            breakage == NoFile ? static_cast<void>(std::filesystem::remove(f.hive))
                               : WriteFile(f.hive, "this is not a registry file\n");
            f.Open();
        }
        if (breakage == CodeMissing) {
            HKEY key = 0;
            f.registry->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tallowmer\\Quillmotion\\Mouse\\Movement",
                                      0, KEY_ALL_ACCESS, &key);
            QCOMPARE(f.registry->RegDeleteValueA(key, "N_ASCII"), ERROR_SUCCESS);
            f.registry->RegCloseKey(key);
        }
        if (breakage == NoPorts) {
            f.ports.clear();
        }
        f.serial.FailOpen(breakage == NoDevice || breakage == OpenRefused,
                          breakage == NoDevice ? comPortInvalid : comBadComm);
        QCOMPARE(f.Load(), QString(ends) != "unloaded");
        QCOMPARE(f.boxes.All().size(), std::size_t{message.isEmpty() ? 0u : 1u});
        if (!message.isEmpty()) {
            const QString text = f.boxes.All().front().text;
            QVERIFY2(message.contains('|') ? text.startsWith(message.section('|', 0, 0)) &&
                                                 text.contains(message.section('|', 1))
                                           : text == message,
                     qPrintable(text));
            QCOMPARE(f.boxes.All().front().icon, icon);
            QCOMPARE(f.boxes.All().front().title, QStringLiteral("Quillmotion"));
        }
        QString state = QStringLiteral("unloaded");
        if (!f.window->IsUnloaded()) {
            state = QStringLiteral("%1, %2").arg(
                f.window->isMinimized() && !f.window->isVisible() ? "minimised" : "normal",
                f.serial.PortOpen() ? "open" : "closed");
            QCOMPARE(f.tray.Tip().find("Connected to COM1: at 2400") != std::string::npos,
                     f.serial.PortOpen());
        }
        QCOMPARE(state, QString(ends));
        QVERIFY(!f.serial.PortOpen() || f.serial.Handshaking() == comXOnXoff);
    }

    // A saved port that is gone: the window's working copy is still reset, so choosing another
    // port and applying keeps every other saved setting. Stop bits of 1.5 are kept as 15, so that
    // 1 and 2 keep their own stored values; the next run reads them back, connects with them and
    // starts clean. A sequence mode stored as 2 is on, and stays 2 while its box is left alone.
    void appliedEditsSurviveARestart() {
        StartupFixture f;
        f.Set("PortName=COM9: ConnectOnApplicationStartup=1 ASCIISequence=2");
        QVERIFY(f.Load());
        f.window->show();
        QVERIFY(f.Find<QCheckBox>("chkASCIISequenceEmulation")->isChecked());
        f.ClickRow("COM7:");
        f.Choose("cboDataBits", "5");
        f.Choose("cboStopBits", "1.5");
        f.Click("cmdApply");
        QCOMPARE(f.Get("Ports\\LastPort", "PortName") + f.Get("Ports\\LastPort", "StopBits"),
                 std::string("COM7:15"));
        QCOMPARE(f.Get("", "ConnectOnApplicationStartup") + f.Get("Emulation", "ASCIISequence"), "12");
        QCOMPARE(f.Get("Mouse\\Movement", "BouncyMouseAngle"), std::string("90"));
        f.window->Form_Unload();

        f.Open();
        QVERIFY(f.Load());
        QCOMPARE(f.serial.Settings(), std::string("2400,n,5,1.5"));
        f.window->show();
        f.window->CheckDirty();
        QVERIFY(!f.window->Dirty());
        f.window->Form_Unload();
    }

    // A save the file does not take leaves the edit applied and pending, names the value and
    // why, and Apply saves it once the cause is gone. What another program stores meanwhile stays
    // through an Apply of other values, and once read follows into the window where the window
    // has no edit of its own; the window's edit wins.
    void failedSavesAndOutsideChangesLoseNothing() {
        StartupFixture f;
        QVERIFY(f.Load());
        f.Show();
        f.Click("chkASCIISequenceEmulation");
        ::chmod(f.hive.c_str(), 0444);
        f.Click("cmdApply");
        QCOMPARE(
            f.boxes.Texts(),
            QStringList{
                "Not all properties were saved.  Please try again\r\n\r\nHKEY_LOCAL_MACHINE\\Software\\"
                "Tallowmer\\Quillmotion\\Emulation\\ASCIISequence could not be saved: The settings file " +
                QString::fromStdString(f.hive) + " or its folder is read-only."});
        QCOMPARE(f.State(), QString("closed OpenPort Apply dirty"));
        QVERIFY(f.Find<QCheckBox>("chkASCIISequenceEmulation")->isChecked() &&
                f.settings.ASCIISequence() == 1);
        ::chmod(f.hive.c_str(), 0644);
        f.Set("LEFT_LOCK_ASCII=20 N_ASCII=30");
        f.Click("cmdApply");
        QCOMPARE(f.State(), QString("closed OpenPort"));
        QCOMPARE(QString::fromStdString(f.Get("Emulation", "ASCIISequence") + " " +
                                        f.Get("Mouse\\Buttons", "LEFT_LOCK_ASCII") + " " +
                                        f.Get("Mouse\\Movement", "N_ASCII")),
                 QString("1 20 30"));

        f.Set("E_ASCII=50");
        f.window->Working().E_ASCII(40);
        const SettingsRecord before = f.settings;
        QVERIFY(f.store->TakeOutsideChanges());
        f.window->TakeOutsideChanges(before);
        QCOMPARE(Numbers(f.window->Working().N_ASCII(), f.window->Working().E_ASCII(), f.settings.E_ASCII()),
                 QString("30 40 50"));
        f.Click("cmdApply");
        QCOMPARE(f.Get("Mouse\\Movement", "E_ASCII") + f.Get("Mouse\\Movement", "N_ASCII"),
                 std::string("4030"));
        QCOMPARE(f.boxes.Texts().size(), 1);
    }

    // Connected at start-up over the real serial control on a pseudo-terminal behind a link that
    // is not there yet: waited for, and open once it is. Unplugged while the pointer moves and
    // plugged in again under the same name: waited for, then open again. Disconnect ends a wait;
    // so does turning reconnecting off.
    void deviceGoesAwayAndComesBack() {
        TempDir dir;
        const std::string device = dir.File("switch-device");
        std::unique_ptr<PtyPair> line;
        QtSerialControl serial([&device](std::int16_t port) { return port == 7 ? device : std::string(); });
        StartupFixture f(&serial);
        f.Set("ConnectOnApplicationStartup=1 PortName=COM7: ReconnectAutomatically=1");
        QVERIFY(f.Load());
        const auto unplugAndPlugInAgain = [&] {
            line->CloseFarEnd();
            QTRY_VERIFY(!serial.PortOpen());
            line = std::make_unique<PtyPair>();
            line->LinkAt(device);
        };
        // The port, the buttons, the movement and the window; and the tip's connection line.
        const auto shown = [&f] {
            static const char* const kPictures[] = {" (not connected)", " (connected)", " (waiting)"};
            return f.State() + " | " + QString::fromStdString(f.tray.Tip()).split("\r\n")[1] +
                   kPictures[static_cast<int>(f.tray.ConnectionShown())];
        };
        QCOMPARE(shown(), "closed ClosePort minimised hidden | Waiting for COM7: to come back (waiting)");
        QVERIFY(f.boxes.All().empty());
        line = std::make_unique<PtyPair>();
        line->LinkAt(device);
        QVERIFY(f.reconnectTimer.Fire() && serial.PortOpen());
        line->Write(std::string(1, '\x02'));
        QTRY_VERIFY(f.timer.Enabled());
        unplugAndPlugInAgain();
        QCOMPARE(shown(), "closed ClosePort minimised hidden | Waiting for COM7: to come back (waiting)");
        QVERIFY(f.reconnectTimer.Fire() && !f.reconnectTimer.Enabled());
        QCOMPARE(shown(), "open ClosePort minimised hidden | Connected to COM7: at 2400 (connected)");

        unplugAndPlugInAgain();
        f.window->cmdClosePort_Click();
        QCOMPARE(shown(), "closed OpenPort minimised hidden | Not Connected (not connected)");

        f.window->cmdOpenPort_Click();
        unplugAndPlugInAgain();
        f.settings.ReconnectAutomatically(0);
        QVERIFY(f.reconnectTimer.Fire());
        QCOMPARE(shown(), "closed OpenPort minimised hidden | Not Connected (not connected)");
        QVERIFY(!f.reconnectTimer.Enabled() && f.boxes.All().empty());
    }

    // Without an X display to reach, the built program says so and ends with 1, not in Qt's abort.
    void noDisplayIsSaid() {
        for (const char* display : {"DISPLAY=", "DISPLAY=:4093"}) {
            QProcess program;
            program.start("env", {"-i", display, qEnvironmentVariable("QM_BIN_DIR") + "/quillmotion"});
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 1);
            QVERIFY(program.readAllStandardError().contains("X display"));
        }
    }

    // Without a runtime folder the lock goes to a private folder in the temporary one; one there
    // that others may enter, a link or another user's turns the check off rather than letting it in.
    void singleInstanceWithoutRuntimeFolder() {
        TempDir tmp;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), tmpDir = qgetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tmp.Path().c_str());
        const auto sh = [](const std::string& command) {
            return std::system(("D=$TMPDIR/quillmotion-$(id -u); " + command).c_str()) == 0;
        };
        for (const std::string plant : {"", "mkdir -m 755 $D", "ln -s $TMPDIR $D",
                                        "mkdir -m 700 $D && { chown 4242 $D || chmod 777 $D; }"}) {
            QVERIFY(sh("rm -rf $D; " + plant));
            SingleInstance first, second;
            QVERIFY(first.Claim());
            QCOMPARE(second.Claim(), !plant.empty());
            QCOMPARE(sh("[ -e $D/quillmotion.lock ] && [ $(stat -c %a $D) = 700 ]"), plant.empty());
        }
        runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
        tmpDir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpDir);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
