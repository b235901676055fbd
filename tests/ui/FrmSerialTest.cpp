// The Properties window under the offscreen platform: pending edits and dirty tracking, the
// three commands, the port frame, the tray tip, minimising and shutdown. Controls are found by
// their object names, as assistive tools find them.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "diag/Trace.h"
#include "input/CharacterDispatcher.h"
#include "support/TraceCapture.h"
#include "ui/WindowFixture.h"

using namespace qm;
using namespace qm::test;

namespace {

bool ApplyEnabled(const WindowFixture& f) {
    return f.Find<QPushButton>("cmdApply")->isEnabled();
}

// Types into the baud rate's box the way the user does: everything selected, then the keys.
void TypeBaudRate(const WindowFixture& f, const QString& text) {
    QLineEdit* edit = f.Combo("cboBaudRate")->lineEdit();
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    } else {
        QTest::keyClicks(edit, text);
    }
}

}  // namespace

class FrmSerialTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAsWritten();
    void dirtyTrackingComparesValues();
    void hiddenWindowIsNotChecked();
    void applyOkCancelAndEscape();
    void setPropertiesOrderAndFailures();
    void stopBitsOneAndAHalfSurvivesApply();
    void resetAfterBadPortOrBadLineSetting();
    void baudRateMustBeNumeric();
    void inUsePortCannotBeChosen();
    void openPortAndTrayTip();
    void receivedCharactersReachTheWindow();
    void minimiseAndRestore();
    void unloadClosesThePortOnce();
    void labelsMoveTheFocus();
};

void FrmSerialTest::controlsAsWritten() {
    WindowFixture f;
    QCOMPARE(f.window->objectName(), QStringLiteral("frmSerial"));
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Quillmotion : Properties"));
    // Every control is found by its name, as assistive tools find it; captions and item lists
    // are the code's own and not repeated here.
    for (const char* name : {"sstMain",
                             "cboBaudRate",
                             "cboDataBits",
                             "cboParity",
                             "cboStopBits",
                             "cboHandshaking",
                             "cmdOpenPort",
                             "cmdClosePort",
                             "cmdResetBytesReceived",
                             "cmdStartupOptions",
                             "cmdAbout",
                             "cmdExit",
                             "cmdMouseAdvanced",
                             "cmdOK",
                             "cmdCancel",
                             "cmdApply",
                             "fraPortOptions",
                             "fraReceived",
                             "fraCharacterTranslation",
                             "fraButtons",
                             "fraMovement",
                             "fraDeviceEmulation",
                             "chkASCIISequenceEmulation",
                             "txtReceivedBuffer",
                             "txtBytesReceived"}) {
        QVERIFY2(f.Widget(name) != nullptr, name);
    }
    QVERIFY(f.Combo("cboBaudRate")->isEditable());
    QVERIFY(!f.Find<QPushButton>("cmdClosePort")->isEnabled());
    QVERIFY(!ApplyEnabled(f));
    QVERIFY(f.Find<QLineEdit>("txtBytesReceived")->isReadOnly());

    // One row per port, named and keyed by the port, with the device beside it; only the held
    // port carries the in-use picture.
    QCOMPARE(f.Ports()->topLevelItemCount(), 3);
    QCOMPARE(f.Row("COM4:")->text(1), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(PortListView::SmallIcon(f.Row("COM4:")), 2);
    QVERIFY(!f.Row("COM4:")->icon(0).isNull());
    QVERIFY(f.Row("COM1:")->icon(0).isNull());
}

void FrmSerialTest::dirtyTrackingComparesValues() {
    WindowFixture f;
    f.Show();
    QVERIFY(!f.window->Dirty());
    QVERIFY(!ApplyEnabled(f));

    // Each kind of pending value: changed makes the window dirty, changed back makes it clean.
    WindowFixture::Choose(f.Combo("cboParity"), "Even");
    QVERIFY(f.window->Dirty());
    QVERIFY(ApplyEnabled(f));
    WindowFixture::Choose(f.Combo("cboParity"), "None");
    QVERIFY(!f.window->Dirty());
    QVERIFY(!ApplyEnabled(f));

    f.window->Working().N_ASCII = 99;
    f.window->CheckDirty();
    QVERIFY(ApplyEnabled(f));
    f.window->Working().N_ASCII = 1;
    f.window->CheckDirty();
    QVERIFY(!ApplyEnabled(f));

    f.window->Working().MovementIncrementY = 3;
    f.window->CheckDirty();
    QVERIFY(ApplyEnabled(f));
    f.window->Working().MovementIncrementY = 2;
    f.window->CheckDirty();
    QVERIFY(!ApplyEnabled(f));

    f.window->Working().RunOnSystemStartup = 1;
    f.window->CheckDirty();
    QVERIFY(ApplyEnabled(f));
    f.window->Working().RunOnSystemStartup = 0;
    f.window->CheckDirty();

    auto* sequence = f.Find<QCheckBox>("chkASCIISequenceEmulation");
    QTest::mouseClick(sequence, Qt::LeftButton);
    QVERIFY(ApplyEnabled(f));
    QTest::mouseClick(sequence, Qt::LeftButton);
    QVERIFY(!ApplyEnabled(f));

    f.ClickRow("COM3:");
    QCOMPARE(f.SelectedPort(), QStringLiteral("COM3:"));
    QVERIFY(ApplyEnabled(f));
    f.ClickRow("COM1:");
    QVERIFY(!ApplyEnabled(f));

    TypeBaudRate(f, "9600");
    QVERIFY(ApplyEnabled(f));
    TypeBaudRate(f, "2400");
    QVERIFY(!ApplyEnabled(f));

    WindowFixture::Choose(f.Combo("cboStopBits"), "1.5");
    QVERIFY(ApplyEnabled(f));
    WindowFixture::Choose(f.Combo("cboStopBits"), "1");
    QVERIFY(!ApplyEnabled(f));

    // A pending state that cannot be read (no port selected) leaves the flag as it was.
    TraceCapture trace;
    WindowFixture::Choose(f.Combo("cboHandshaking"), "Hardware");
    QVERIFY(ApplyEnabled(f));
    f.Ports()->SelectRow(nullptr);
    WindowFixture::Choose(f.Combo("cboHandshaking"), "None");
    QVERIFY(f.window->Dirty());
    QVERIFY(ApplyEnabled(f));
    QVERIFY(trace.Contains(
        "frmSerial.CheckDirty:#Method Exit Error#: Object variable or With block variable not set"));
}

void FrmSerialTest::hiddenWindowIsNotChecked() {
    TraceCapture trace;
    WindowFixture f;
    // Start-up resets before the window is first shown: nothing is compared then.
    QVERIFY(
        trace.Contains("frmSerial.CheckDirty:: Not Checking as form is not visible : therefore combo boxes "
                       "may not be populated"));
    f.Show();
    WindowFixture::Choose(f.Combo("cboParity"), "Odd");
    QVERIFY(ApplyEnabled(f));

    // Hidden, a change back is not seen: the state at hiding stands.
    f.window->hide();
    trace.Clear();
    WindowFixture::Choose(f.Combo("cboParity"), "None");
    QVERIFY(f.window->Dirty());
    QVERIFY(ApplyEnabled(f));
    const std::vector<std::string> reports = trace.Reports();
    QVERIFY(std::find(reports.begin(), reports.end(),
                      "frmSerial.CheckDirty:Method Entry: Dirty Currently = True") != reports.end());
    QVERIFY(trace.Contains("Not Checking as form is not visible"));
    QVERIFY(std::find(reports.begin(), reports.end(), "frmSerial.CheckDirty:Method Exit: Returned True") !=
            reports.end());

    // Shown again, the next check finds it clean.
    f.window->show();
    f.window->CheckDirty();
    QVERIFY(!f.window->Dirty());
    QVERIFY(!ApplyEnabled(f));
}

void FrmSerialTest::applyOkCancelAndEscape() {
    {  // Apply commits and stays; a clean Apply saves nothing.
        WindowFixture f;
        f.Show();
        QTest::mouseClick(f.Find<QPushButton>("cmdApply"), Qt::LeftButton);
        QCOMPARE(f.saves, 0);
        WindowFixture::Choose(f.Combo("cboParity"), "Even");
        QTest::mouseClick(f.Find<QPushButton>("cmdApply"), Qt::LeftButton);
        QCOMPARE(f.saves, 1);
        QCOMPARE(f.settings.Parity(), std::string("Even"));
        QVERIFY(!ApplyEnabled(f));
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->isMinimized());
    }
    {  // OK commits and sends the window to the tray.
        WindowFixture f;
        f.Show();
        f.window->Working().E_ASCII = 70;
        f.window->CheckDirty();
        QTest::mouseClick(f.Find<QPushButton>("cmdOK"), Qt::LeftButton);
        QCOMPARE(f.saves, 1);
        QCOMPARE(f.settings.E_ASCII(), std::int16_t{70});
        QVERIFY(!f.window->Dirty());
        QVERIFY(!f.window->isVisible());
        QVERIFY(f.boxes.All().empty());
    }
    {  // OK on a clean window saves nothing but still hides it.
        WindowFixture f;
        f.Show();
        QTest::mouseClick(f.Find<QPushButton>("cmdOK"), Qt::LeftButton);
        QCOMPARE(f.saves, 0);
        QVERIFY(!f.window->isVisible());
    }
    {  // Cancel throws the edits away, in the controls and the working copy, and hides.
        TraceCapture trace;
        WindowFixture f;
        f.Show();
        WindowFixture::Choose(f.Combo("cboParity"), "Mark");
        f.window->Working().MovementDelay = 40;
        f.ClickRow("COM3:");
        QTest::mouseClick(f.Find<QPushButton>("cmdCancel"), Qt::LeftButton);
        QCOMPARE(f.saves, 0);
        QCOMPARE(f.Combo("cboParity")->currentText(), QStringLiteral("None"));
        QCOMPARE(f.window->Working().MovementDelay, 2.0f);
        QCOMPARE(f.SelectedPort(), QStringLiteral("COM1:"));
        QVERIFY(!f.window->Dirty());
        QVERIFY(!f.window->isVisible());
        QVERIFY(trace.Contains("frmSerial.cmdCancel_Click():Method Entry: "));
        QVERIFY(trace.Contains("frmSerial.cmdCancel_Click():Method Exit: "));
    }
    {  // Esc acts as Cancel wherever the focus is.
        WindowFixture f;
        f.Show();
        WindowFixture::Choose(f.Combo("cboStopBits"), "2");
        QVERIFY(ApplyEnabled(f));
        QApplication::setActiveWindow(f.window.get());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.Combo("cboDataBits")->setFocus();
        QTest::keyClick(f.Combo("cboDataBits"), Qt::Key_Escape);
        QCOMPARE(f.Combo("cboStopBits")->currentText(), QStringLiteral("1"));
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.saves, 0);
    }
}

void FrmSerialTest::setPropertiesOrderAndFailures() {
    {  // Every pending value reaches its setting, then the record is saved once.
        WindowFixture f;
        f.Show();
        TypeBaudRate(f, "9600");
        WindowFixture::Choose(f.Combo("cboDataBits"), "7");
        WindowFixture::Choose(f.Combo("cboParity"), "Space");
        WindowFixture::Choose(f.Combo("cboStopBits"), "2");
        WindowFixture::Choose(f.Combo("cboHandshaking"), "Hardware");
        f.ClickRow("COM3:");
        QTest::mouseClick(f.Find<QCheckBox>("chkASCIISequenceEmulation"), Qt::LeftButton);
        WorkingCopy& w = f.window->Working();
        w.N_ASCII = 30;
        w.NE_ASCII = 31;
        w.NW_ASCII = 32;
        w.E_ASCII = 33;
        w.W_ASCII = 34;
        w.S_ASCII = 35;
        w.SW_ASCII = 36;
        w.SE_ASCII = 37;
        w.STOP_ASCII = 38;
        w.LEFT_SCLICK_ASCII = 40;
        w.LEFT_DCLICK_ASCII = 41;
        w.RIGHT_SCLICK_ASCII = 42;
        w.RIGHT_DCLICK_ASCII = 43;
        w.BouncyMouse = 1;
        w.BouncyMouseAngle = 180;
        w.MovementDelay = 25;
        w.MovementIncrementX = 4;
        w.MovementIncrementY = 5;
        w.ConnectOnApplicationStartup = 1;
        w.RunOnSystemStartup = 1;
        w.TestPorts = 1;
        f.settings.FlowControl("Xon/Xoff");
        QVERIFY(f.window->SetProperties());
        QCOMPARE(f.saves, 1);
        const SettingsRecord& s = f.settings;
        QCOMPARE(s.BaudRate(), 9600);
        QCOMPARE(s.DataBits(), 7);
        QCOMPARE(s.Parity(), std::string("Space"));
        QCOMPARE(s.StopBits(), 2);
        QCOMPARE(s.Handshaking(), std::string("Hardware"));
        QCOMPARE(s.StoredFlowControl(), std::string("None"));
        QCOMPARE(s.PortName(), std::string("COM3:"));
        QCOMPARE(s.ASCIISequence(), std::int16_t{1});
        QCOMPARE(s.N_ASCII(), std::int16_t{30});
        QCOMPARE(s.NE_ASCII(), std::int16_t{31});
        QCOMPARE(s.NW_ASCII(), std::int16_t{32});
        QCOMPARE(s.E_ASCII(), std::int16_t{33});
        QCOMPARE(s.W_ASCII(), std::int16_t{34});
        QCOMPARE(s.S_ASCII(), std::int16_t{35});
        QCOMPARE(s.SW_ASCII(), std::int16_t{36});
        QCOMPARE(s.SE_ASCII(), std::int16_t{37});
        QCOMPARE(s.STOP_ASCII(), std::int16_t{38});
        QCOMPARE(s.LEFT_SCLICK_ASCII(), 40);
        QCOMPARE(s.LEFT_DCLICK_ASCII(), 41);
        QCOMPARE(s.RIGHT_SCLICK_ASCII(), 42);
        QCOMPARE(s.RIGHT_DCLICK_ASCII(), 43);
        QCOMPARE(s.BouncyMouse(), std::int16_t{1});
        QCOMPARE(s.BouncyMouseAngle(), std::int16_t{180});
        QCOMPARE(s.MovementDelay(), 25.0f);
        QCOMPARE(s.MovementIncrementX(), 4.0f);
        QCOMPARE(s.MovementIncrementY(), 5.0f);
        QCOMPARE(s.ConnectOnApplicationStartup(), 1);
        QCOMPARE(s.RunOnSystemStartup(), std::int16_t{1});
        QCOMPARE(s.TestPorts(), std::int16_t{1});
        f.window->CheckDirty();
        QVERIFY(!f.window->Dirty());
    }
    {  // A baud rate that is not a number stops at the first write: nothing changes, nothing is saved.
        TraceCapture trace;
        WindowFixture f;
        f.Show();
        f.window->Working().ConnectOnApplicationStartup = 1;
        {
            const QSignalBlocker quiet(f.Combo("cboBaudRate"));
            f.Combo("cboBaudRate")->setEditText("fast");
        }
        QVERIFY(!f.window->SetProperties());
        QCOMPARE(f.saves, 0);
        QCOMPARE(f.settings.BaudRate(), 2400);
        QCOMPARE(f.settings.ConnectOnApplicationStartup(), 0);
        QVERIFY(trace.Contains("frmSerial.SetProperties:#Method Exit Error#: Type mismatch"));
    }
    {  // Without a selected port the writes before the port stand, the later ones never happen.
        WindowFixture f;
        f.Show();
        TypeBaudRate(f, "4800");
        WindowFixture::Choose(f.Combo("cboParity"), "Odd");
        WindowFixture::Choose(f.Combo("cboHandshaking"), "Xon/Xoff");
        f.window->Working().TestPorts = 1;
        f.window->Working().N_ASCII = 50;
        f.Ports()->SelectRow(nullptr);
        QTest::mouseClick(f.Find<QPushButton>("cmdOK"), Qt::LeftButton);
        QCOMPARE(f.saves, 0);
        QCOMPARE(f.settings.BaudRate(), 4800);
        QCOMPARE(f.settings.Handshaking(), std::string("Xon/Xoff"));
        QCOMPARE(f.settings.TestPorts(), std::int16_t{1});
        QCOMPARE(f.settings.Parity(), std::string("None"));
        QCOMPARE(f.settings.N_ASCII(), std::int16_t{1});
        QCOMPARE(f.boxes.Texts(), QStringList{"Not all properties were saved.  Please try again"});
        QCOMPARE(f.boxes.All().front().icon, MsgIcon::Exclamation);
        QCOMPARE(f.boxes.All().front().title, QStringLiteral("Quillmotion"));
    }
    {  // A save that fails is reported by Apply; the record already holds the new values.
        WindowFixture f;
        f.Show();
        f.saveResult = false;
        WindowFixture::Choose(f.Combo("cboDataBits"), "5");
        QTest::mouseClick(f.Find<QPushButton>("cmdApply"), Qt::LeftButton);
        QCOMPARE(f.saves, 1);
        QCOMPARE(f.settings.DataBits(), 5);
        QCOMPARE(f.boxes.Texts(), QStringList{"Not all properties were saved.  Please try again"});
        QVERIFY(f.window->isVisible());
        // When the store can say why, the message goes on with it.
        f.problem = "The settings tree lacks the key Emulation.";
        WindowFixture::Choose(f.Combo("cboDataBits"), "6");
        QTest::mouseClick(f.Find<QPushButton>("cmdApply"), Qt::LeftButton);
        QCOMPARE(f.boxes.Texts().back(),
                 QStringLiteral("Not all properties were saved.  Please try again\r\n\r\n"
                                "The settings tree lacks the key Emulation."));
    }
}

void FrmSerialTest::stopBitsOneAndAHalfSurvivesApply() {
    SettingsRecord applied;
    {
        WindowFixture f;
        f.Show();
        WindowFixture::Choose(f.Combo("cboStopBits"), "1.5");
        QTest::mouseClick(f.Find<QPushButton>("cmdApply"), Qt::LeftButton);
        QCOMPARE(f.saves, 1);
        // Kept as 15, so that 1 and 2 keep their own stored values.
        QCOMPARE(f.settings.StopBits(), 15);
        QVERIFY(!f.window->Dirty());
        QVERIFY(!ApplyEnabled(f));
        applied = f.settings;
    }
    {  // The next run shows "1.5" again and starts clean.
        WindowFixture f(false);
        f.settings = applied;
        f.Show();
        QVERIFY(f.window->Reset());
        QCOMPARE(f.Combo("cboStopBits")->currentText(), QStringLiteral("1.5"));
        QVERIFY(!f.window->Dirty());
        f.serial.SetPortOpen(false);
        QVERIFY(f.window->OpenPort());
        QCOMPARE(f.serial.Settings(), std::string("2400,n,8,1.5"));
    }
    {  // 1 and 2 are stored as themselves.
        WindowFixture f;
        f.Show();
        WindowFixture::Choose(f.Combo("cboStopBits"), "2");
        QVERIFY(f.window->SetProperties());
        QCOMPARE(f.settings.StopBits(), 2);
        WindowFixture::Choose(f.Combo("cboStopBits"), "1");
        QVERIFY(f.window->SetProperties());
        QCOMPARE(f.settings.StopBits(), 1);
    }
}

void FrmSerialTest::resetAfterBadPortOrBadLineSetting() {
    {  // The saved port is not listed: the rest of the reset still happens, and the failure shows.
        TraceCapture trace;
        WindowFixture f(false);
        f.settings.PortName("COM9:");
        f.settings.ConnectOnApplicationStartup(1);
        f.settings.RunOnSystemStartup(1);
        f.settings.BouncyMouse(1);
        f.settings.BouncyMouseAngle(180);
        f.settings.ASCIISequence(1);
        f.window->Working().BouncyMouseAngle = 45;
        QVERIFY(!f.window->Reset());
        QCOMPARE(f.window->MissingSavedPort().value_or(""), std::string("COM9:"));
        QCOMPARE(f.SelectedPort(), QString());
        const WorkingCopy& w = f.window->Working();
        QCOMPARE(w.ConnectOnApplicationStartup, std::int16_t{1});
        QCOMPARE(w.RunOnSystemStartup, std::int16_t{1});
        QCOMPARE(w.BouncyMouse, std::int16_t{1});
        QCOMPARE(w.BouncyMouseAngle, std::int16_t{180});
        QVERIFY(f.Find<QCheckBox>("chkASCIISequenceEmulation")->isChecked());
        QVERIFY(trace.Contains("frmSerial.Reset:#Method Exit Error#: Element not found"));
        QVERIFY(!trace.Contains("frmSerial.Reset:Method Exit"));
        QVERIFY(f.boxes.All().empty());

        // Cancel reports it and still hides the window.
        f.Show();
        QTest::mouseClick(f.Find<QPushButton>("cmdCancel"), Qt::LeftButton);
        QCOMPARE(f.boxes.Texts(), QStringList{"Failed to reset to last saved properties"});
        QCOMPARE(f.boxes.All().front().icon, MsgIcon::Exclamation);
        QVERIFY(!f.window->isVisible());

        // Choosing a listed port and applying it mends the settings.
        f.window->show();
        f.ClickRow("COM3:");
        QVERIFY(ApplyEnabled(f));
        QTest::mouseClick(f.Find<QPushButton>("cmdApply"), Qt::LeftButton);
        QCOMPARE(f.settings.PortName(), std::string("COM3:"));
        QVERIFY(f.window->Reset());
        QVERIFY(!f.window->MissingSavedPort());
    }
    {  // A saved line setting that is none of its list's items.
        WindowFixture f(false);
        f.settings.Parity("Sometimes");
        QVERIFY(!f.window->Reset());
        QVERIFY(!f.window->MissingSavedPort());
        QCOMPARE(f.boxes.Texts(), QStringList{"Could not display Port Settings"});
        QCOMPARE(f.boxes.All().front().icon, MsgIcon::Critical);
    }
    {  // A stored stop bits value that means nothing.
        WindowFixture f(false);
        f.settings.StopBits(3);
        QVERIFY(!f.window->ShowPortSettings());
    }
}

void FrmSerialTest::baudRateMustBeNumeric() {
    WindowFixture f;
    f.Show();
    TypeBaudRate(f, "x");
    QCOMPARE(f.boxes.Texts(), QStringList{"Baud Rate must be a numeric value.  Please re-enter"});
    QCOMPARE(f.boxes.All().front().icon, MsgIcon::Exclamation);
    QCOMPARE(f.Combo("cboBaudRate")->currentText(), QStringLiteral("2400"));
    QVERIFY(!ApplyEnabled(f));

    // Clearing the box is no number either; the saved rate comes back, not the last typed one.
    f.boxes.Clear();
    TypeBaudRate(f, "19200");
    QVERIFY(ApplyEnabled(f));
    TypeBaudRate(f, "");
    QCOMPARE(f.boxes.Texts(), QStringList{"Baud Rate must be a numeric value.  Please re-enter"});
    QCOMPARE(f.Combo("cboBaudRate")->currentText(), QStringLiteral("2400"));
    QVERIFY(!ApplyEnabled(f));

    // A rate that is not in the list is still a number and goes to the control unchanged.
    f.boxes.Clear();
    TypeBaudRate(f, "31250");
    QVERIFY(f.boxes.All().empty());
    QVERIFY(f.window->OpenPort());
    QCOMPARE(f.serial.Settings(), std::string("31250,n,8,1"));
    // Nothing typed joins the list.
    QCOMPARE(f.Combo("cboBaudRate")->count(), 17);
}

void FrmSerialTest::inUsePortCannotBeChosen() {
    WindowFixture f;
    f.Show();
    QCOMPARE(f.SelectedPort(), QStringLiteral("COM1:"));
    f.ClickRow("COM4:");
    QCOMPARE(f.SelectedPort(), QStringLiteral("COM1:"));
    QVERIFY(!ApplyEnabled(f));

    // From another pending port, the click on a held port goes back to the saved one.
    f.ClickRow("COM3:");
    QCOMPARE(f.SelectedPort(), QStringLiteral("COM3:"));
    f.ClickRow("COM4:");
    QCOMPARE(f.SelectedPort(), QStringLiteral("COM1:"));

    // With the keys too.
    f.Ports()->setFocus();
    f.Ports()->SelectRow(f.Row("COM3:"));
    QTest::keyClick(f.Ports(), Qt::Key_Down);
    QCOMPARE(f.SelectedPort(), QStringLiteral("COM1:"));
    QTest::keyClick(f.Ports(), Qt::Key_Down);
    QCOMPARE(f.SelectedPort(), QStringLiteral("COM3:"));
    QVERIFY(ApplyEnabled(f));
}

void FrmSerialTest::openPortAndTrayTip() {
    TraceCapture trace;
    WindowFixture f;
    f.Show();
    f.window->UpdateTrayIconInfo();
    QCOMPARE(f.tray.Tip(), std::string("Quillmotion Enabled\r\nNot Connected"));

    // The selection and the lists as they are on screen, the saved port in the trace.
    f.ClickRow("COM3:");
    TypeBaudRate(f, "9600");
    WindowFixture::Choose(f.Combo("cboParity"), "Mark");
    WindowFixture::Choose(f.Combo("cboHandshaking"), "Hardware");
    QTest::mouseClick(f.Find<QPushButton>("cmdOpenPort"), Qt::LeftButton);
    QVERIFY(f.serial.PortOpen());
    QCOMPARE(f.serial.CommPort(), std::int16_t{3});
    QCOMPARE(f.serial.Settings(), std::string("9600,m,8,1"));
    QCOMPARE(f.serial.Handshaking(), comRTS);
    QVERIFY(trace.Contains("frmSerial.OpenPort:: Opening Port COM1: - with settings : 9600,m,8,1"));
    QVERIFY(!f.Find<QPushButton>("cmdOpenPort")->isEnabled());
    QVERIFY(f.Find<QPushButton>("cmdClosePort")->isEnabled());
    // The tip names the control's port and the saved rate, not the one typed.
    QCOMPARE(f.tray.Tip(),
             std::string("Quillmotion Enabled\r\nConnected to COM3: at 2400\r\n0 bytes received"));

    // Connect again: already open, nothing is touched.
    WindowFixture::Choose(f.Combo("cboParity"), "Even");
    QTest::mouseClick(f.Find<QPushButton>("cmdOpenPort"), Qt::LeftButton);
    QCOMPARE(f.serial.Settings(), std::string("9600,m,8,1"));

    // Disconnect stops the movement too.
    f.road.Movement()->MoveMouse(2, 0);
    QVERIFY(f.timer.Enabled());
    QTest::mouseClick(f.Find<QPushButton>("cmdClosePort"), Qt::LeftButton);
    QVERIFY(!f.serial.PortOpen());
    QVERIFY(!f.timer.Enabled());
    QVERIFY(f.Find<QPushButton>("cmdOpenPort")->isEnabled());
    QVERIFY(!f.Find<QPushButton>("cmdClosePort")->isEnabled());
    QCOMPARE(f.tray.Tip(), std::string("Quillmotion Enabled\r\nNot Connected"));

    // Handshaking item values: Xon/Xoff 1, Hardware (RTS/CTS) 2, None 0.
    for (const auto& [name, value] :
         {std::pair<const char*, std::int32_t>{"Xon/Xoff", 1}, {"Hardware", 2}, {"None", 0}}) {
        WindowFixture::Choose(f.Combo("cboHandshaking"), name);
        QVERIFY(f.window->OpenPort());
        QCOMPARE(f.serial.Handshaking(), value);
        f.serial.SetPortOpen(false);
    }

    // Xon/Xoff with a code of 17 (the right double click here): said once, on the first connect.
    WindowFixture::Choose(f.Combo("cboHandshaking"), "Xon/Xoff");
    f.boxes.Clear();
    for (int connect = 0; connect < 2; ++connect) {
        QTest::mouseClick(f.Find<QPushButton>("cmdOpenPort"), Qt::LeftButton);
        QTest::mouseClick(f.Find<QPushButton>("cmdClosePort"), Qt::LeftButton);
    }
    QCOMPARE(f.boxes.Texts().size(), 1);
    QVERIFY(f.boxes.Texts().front().contains("right double click (RIGHT_DCLICK_ASCII) is code 17 (XON)"));

    // A port that does not open: the message, the buttons as they were, the tip unchanged.
    f.serial.FailOpen(true);
    f.boxes.Clear();
    QTest::mouseClick(f.Find<QPushButton>("cmdOpenPort"), Qt::LeftButton);
    QCOMPARE(f.boxes.Texts(), QStringList{"Could not open specified port"});
    QCOMPARE(f.boxes.All().front().icon, MsgIcon::Exclamation);
    QVERIFY(f.Find<QPushButton>("cmdOpenPort")->isEnabled());
    QVERIFY(!f.Find<QPushButton>("cmdClosePort")->isEnabled());
    QCOMPARE(f.tray.Tip(), std::string("Quillmotion Enabled\r\nNot Connected"));
    QVERIFY(trace.Contains("frmSerial.OpenPort:#Method Exit Error#: 8002:MSComm:Invalid port number"));
}

void FrmSerialTest::receivedCharactersReachTheWindow() {
    WindowFixture f;
    f.Show();
    QTest::mouseClick(f.Find<QPushButton>("cmdOpenPort"), Qt::LeftButton);
    f.serial.Deliver("ab");
    QCOMPARE(f.window->ReceivedBuffer(), std::string("098\r\n097\r\n"));
    // The boxes show the latest texts once the event loop turns; a box on a hidden page, once
    // its page is shown.
    QTRY_COMPARE(f.Find<QLineEdit>("txtBytesReceived")->text(), QStringLiteral("2"));
    auto* tabs = f.Find<QTabWidget>("sstMain");
    const auto showPageOf = [tabs](QWidget* widget) {
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->widget(i)->isAncestorOf(widget)) {
                tabs->setCurrentIndex(i);
            }
        }
    };
    auto* received = f.Find<QPlainTextEdit>("txtReceivedBuffer");
    showPageOf(received);
    QTRY_COMPARE(received->toPlainText(), QStringLiteral("098\n097"));
    showPageOf(f.Find<QLineEdit>("txtBytesReceived"));
    QCOMPARE(f.tray.Tip(),
             std::string("Quillmotion Enabled\r\nConnected to COM1: at 2400\r\n2 bytes received"));
    // The keys went to the desktop.
    QVERIFY(f.injector.RecordCount() >= 4);

    // The dispatcher uses the applied codes: an edit waiting for Apply does not count yet.
    f.window->Working().N_ASCII = 'c';
    f.window->CheckDirty();
    f.injector.Clear();
    f.serial.Deliver("c");
    QVERIFY(!f.timer.Enabled());
    QTest::mouseClick(f.Find<QPushButton>("cmdApply"), Qt::LeftButton);
    f.serial.Deliver("c");
    QVERIFY(f.timer.Enabled());
    f.serial.Deliver(std::string(1, '\x0c'));
    QVERIFY(!f.timer.Enabled());

    QTest::mouseClick(f.Find<QPushButton>("cmdResetBytesReceived"), Qt::LeftButton);
    QTRY_COMPARE(f.Find<QLineEdit>("txtBytesReceived")->text(), QStringLiteral("0"));
    // The tip keeps its count until the next character.
    QCOMPARE(f.tray.Tip(),
             std::string("Quillmotion Enabled\r\nConnected to COM1: at 2400\r\n5 bytes received"));
}

void FrmSerialTest::minimiseAndRestore() {
    {  // With a notification area, minimising hides; the icon's double-click and menu restore.
        WindowFixture f;
        f.Show();
        f.window->MinimiseWindow();
        QVERIFY(!f.window->isVisible());
        f.tray.OnDoubleClick();
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->isMinimized());
        f.window->MinimiseWindow();
        QVERIFY(!f.window->isVisible());
        f.tray.OnProperties();
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->isMinimized());
        // Edits left when the window went away are still there.
        WindowFixture::Choose(f.Combo("cboParity"), "Odd");
        f.window->MinimiseWindow();
        f.tray.OnProperties();
        QCOMPARE(f.Combo("cboParity")->currentText(), QStringLiteral("Odd"));
        QVERIFY(ApplyEnabled(f));
    }
    {  // Without one, nothing could bring a hidden window back: it stays reachable.
        WindowFixture f;
        f.tray.area = false;
        f.Show();
        f.window->MinimiseWindow();
        QVERIFY(f.window->isMinimized());
        QVERIFY(f.window->isVisible());
        QTest::mouseClick(f.Find<QPushButton>("cmdOK"), Qt::LeftButton);
        QVERIFY(f.window->isVisible());
        // The tip is kept all the same, for an area that starts later.
        QVERIFY(f.window->UpdateTrayIconInfo());
    }
}

void FrmSerialTest::unloadClosesThePortOnce() {
    TraceCapture trace;
    WindowFixture f;
    f.Show();
    QTest::mouseClick(f.Find<QPushButton>("cmdOpenPort"), Qt::LeftButton);
    f.serial.Deliver(std::string(1, '\x02'));  // East: the pointer moves on
    QVERIFY(f.timer.Enabled());
    QSignalSpy unloaded(f.window.get(), &frmSerial::unloaded);
    f.tray.OnExit();
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!f.serial.PortOpen());
    QVERIFY(!f.timer.Enabled());
    QCOMPARE(f.tray.deletes, 1);
    QCOMPARE(f.terminates, 1);
    QVERIFY(f.window->IsUnloaded());
    QVERIFY(trace.Contains("frmSerial.Form_Unload:Method Entry: "));
    QVERIFY(trace.Contains("frmSerial.Form_Unload:Method Exit: "));

    // Closing afterwards does not unload again.
    f.window->close();
    QCOMPARE(unloaded.count(), 1);
    QCOMPARE(f.terminates, 1);

    {  // Exit chosen inside a character's pending-events call: that character finishes, the
       // rest of its input is dropped, and nothing is destroyed under the calls on the stack.
        WindowFixture g;
        g.Show();
        QTest::mouseClick(g.Find<QPushButton>("cmdOpenPort"), Qt::LeftButton);
        g.pump.PostAtCall(1, [&g] { g.tray.OnExit(); });
        g.serial.Deliver("\x02xyz");
        QVERIFY(g.window->IsUnloaded());
        QCOMPARE(g.window->ReceivedBuffer(), std::string("002\r\n"));
        QVERIFY(!g.timer.Enabled());
        QCOMPARE(g.injector.RecordCount(), std::size_t{0});
        QCOMPARE(g.terminates, 1);
    }

    {  // Closing the window unloads it.
        WindowFixture g;
        g.Show();
        QSignalSpy gone(g.window.get(), &frmSerial::unloaded);
        g.window->close();
        QCOMPARE(gone.count(), 1);
        QCOMPARE(g.terminates, 1);
    }
}

void FrmSerialTest::labelsMoveTheFocus() {
    WindowFixture f;
    f.Show();
    QApplication::setActiveWindow(f.window.get());
    const struct {
        const char* label;
        const char* caption;
        const char* list;
    } pairs[] = {{"lblBaudRate", "&Baud Rate:", "cboBaudRate"},
                 {"lblDataBits", "&Data Bits:", "cboDataBits"},
                 {"lblParity", "Pa&rity:", "cboParity"},
                 {"lblStopBits", "&Stop Bits:", "cboStopBits"},
                 {"lblHandshaking", "Handshaking:", "cboHandshaking"}};
    for (const auto& pair : pairs) {
        auto* label = f.Find<QLabel>(pair.label);
        QVERIFY2(label != nullptr, pair.label);
        QCOMPARE(label->text(), QString::fromLatin1(pair.caption));
        QCOMPARE(label->buddy(), f.Widget(pair.list));
        f.Find<QPushButton>("cmdOK")->setFocus();
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY2(
            f.Widget(pair.list)->hasFocus() || f.Widget(pair.list)->isAncestorOf(QApplication::focusWidget()),
            pair.label);
    }
}

QTEST_MAIN(FrmSerialTest)
#include "FrmSerialTest.moc"
