// The Properties window under the offscreen platform: pending edits and dirty tracking, the
// three commands, the dialogs it opens, the port frame and its texts, the tray tip and the icon,
// minimising and shutdown. Controls are found by their object names, as assistive tools find them.

#include "support/TraceCapture.h"
#include "ui/QtTrayIcon.h"
#include "ui/WindowFixture.h"
#include "ui/frmHelp.h"

using namespace qm;
using namespace qm::test;

namespace {

const QString kNotSaved = QStringLiteral("Not all properties were saved.  Please try again");
const std::string kNotConnected = "Quillmotion Enabled\r\nNot Connected";

// One kind of pending value: made different from its setting (on), then the same again.
const std::vector<std::pair<const char*, std::function<void(WindowFixture&, bool on)>>> kEdits = {
    {"parity", [](WindowFixture& f, bool on) { f.Choose("cboParity", on ? "Even" : "None"); }},
    {"stop bits", [](WindowFixture& f, bool on) { f.Choose("cboStopBits", on ? "1.5" : "1"); }},
    {"baud rate", [](WindowFixture& f, bool on) { f.Type("cboBaudRate", on ? "9600" : "2400"); }},
    {"port", [](WindowFixture& f, bool on) { f.ClickRow(on ? "COM3:" : "COM1:"); }},
    {"sequence emulation", [](WindowFixture& f, bool) { f.Click("chkASCIISequenceEmulation"); }},
};

// A command button, whether an edit waits, the saves it makes, and whether the window stays shown
// (Esc, Cancel's key, is in escapeClosesAnOpenListAlone).
const std::vector<std::tuple<const char*, const char*, bool, int, bool>> kCommandRows = {
    {"Apply, clean", "cmdApply", false, 0, true},
    {"Apply", "cmdApply", true, 1, true},
    {"OK", "cmdOK", true, 1, false},
    {"OK, clean", "cmdOK", false, 0, false},
    {"Cancel", "cmdCancel", true, 0, false},
};

// The window's drop-down lists.
const std::vector<std::tuple<const char*>> kLists = {{"cboBaudRate"}, {"cboDataBits"},    {"cboParity"},
                                                     {"cboStopBits"}, {"cboHandshaking"}, {"cboVirtualKey"}};

QMessageBox* Question() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

// A dialog the window opens, from its opener: a box given the text or a check box clicked, and
// Enter pressed; the code OK names as bad (the dialog stays open), and the setting Apply changes.
const std::vector<std::tuple<const char*, const char*, const char*, const char*, const char*, const char*>>
    kDialogRows = {
        {"empty code", "cmdMoreCodes", "txtFaster", "", "", ""},  // an empty box is no code
        {"code over 255", "cmdMoreCodes", "txtFaster", "256", "Faster", ""},
        {"pasted letter", "cmdMoreCodes", "txtLeftLock", "x", "Left Button Lock", ""},
        {"acceleration", "cmdMouseAdvanced", "chkAcceleration", "", "", "Acceleration=1"},
        // Reconnecting is on before.
        {"reconnecting", "cmdStartupOptions", "chkReconnect", "", "", "ReconnectAutomatically=0"},
};

// The Mouse tab's thirteen codes, each a control: its setting, what assistive tools call it with the
// installed code, whether Enter (else Space) presses it, and the dialog it opens with its codes.
const std::vector<std::tuple<const char*, const char*, const char*, bool, const char*>> kCodeRows = {
    {"lblLeftSClick", "LEFT_SCLICK_ASCII", "Left Click: 14", false, "ASCII Values: Left Button 14 15"},
    {"lblLeftDClick", "LEFT_DCLICK_ASCII", "Left Double Click: 15", true, "ASCII Values: Left Button 14 15"},
    {"lblRightSClick", "RIGHT_SCLICK_ASCII", "Right Click: 16", false, "ASCII Values: Right Button 16 18"},
    {"lblRightDClick", "RIGHT_DCLICK_ASCII", "Right Double Click: 18", true,
     "ASCII Values: Right Button 16 18"},
    {"lblN", "N_ASCII", "North: 1", false, "Ascii Value : N Mouse Movement 1"},
    {"lblNE", "NE_ASCII", "North East: 5", true, "Ascii Value : NE Mouse Movement 5"},
    {"lblE", "E_ASCII", "East: 2", false, "Ascii Value : E Mouse Movement 2"},
    {"lblSE", "SE_ASCII", "South East: 7", true, "Ascii Value : SE Mouse Movement 7"},
    {"lblS", "S_ASCII", "South: 3", false, "Ascii Value : S Mouse Movement 3"},
    {"lblSW", "SW_ASCII", "South West: 11", true, "Ascii Value : SW Mouse Movement 11"},
    {"lblW", "W_ASCII", "West: 4", false, "Ascii Value : W Mouse Movement 4"},
    {"lblNW", "NW_ASCII", "North West: 6", true, "Ascii Value : NW Mouse Movement 6"},
    {"lblStop", "STOP_ASCII", "Stop: 12", false, "Ascii Value :  12"},
};

QAccessibleInterface* Seen(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

}  // namespace

class FrmSerialTest : public QObject {
    Q_OBJECT

private slots:
    void controlsByName() {
        WindowFixture f;
        QCOMPARE(f.window->objectName(), QStringLiteral("frmSerial"));
        // (The controls the other cases press or read are found by their names there.)
        for (const char* name :
             {"cmdAbout", "cmdExit", "fraPortOptions", "fraReceived", "fraCharacterTranslation", "fraButtons",
              "fraMovement", "fraDeviceEmulation"}) {
            QVERIFY2(f.Widget(name) != nullptr, name);
        }
        QVERIFY(f.Find<QLineEdit>("txtBytesReceived")->isReadOnly());

        // One row per port, keyed by the port, with the device beside it; only the held port
        // carries the in-use picture.
        QCOMPARE(f.Row("COM4:")->text(1), QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(!f.Row("COM4:")->icon(0).isNull() && f.Row("COM1:")->icon(0).isNull());

        // A click on a line setting's label moves the focus to its list. Assistive tools see an
        // application's window, and the lists named by their labels, not by the items they show.
        QApplication::setActiveWindow(f.window.get());
        QStringList names{Seen(f.Widget("lvwPort"))->text(QAccessible::Name)};
        for (const char* list :
             {"cboBaudRate", "cboDataBits", "cboParity", "cboStopBits", "cboHandshaking"}) {
            f.Widget("cmdOK")->setFocus();
            QTest::mouseClick(Child<QLabel>(f.window.get(), QByteArray("lbl").append(list + 3).constData()),
                              Qt::LeftButton);
            QVERIFY2(f.Widget(list)->isAncestorOf(QApplication::focusWidget()) || f.Widget(list)->hasFocus(),
                     list);
            names << Seen(f.Widget(list))->text(QAccessible::Name);
        }
        QCOMPARE(names.join(','), QStringLiteral("Port,Baud Rate,Data Bits,Parity,Stop Bits,Handshaking"));
        QCOMPARE(Seen(f.Widget("cboBaudRate"))->text(QAccessible::Value), QStringLiteral("2400"));
        QCOMPARE(Seen(f.window.get())->role(), QAccessible::Window);

        // The Diagnostics page says which desktop input a Wayland session got; X11 has no choice.
        QVERIFY(f.Find<QLabel>("lblDesktopInput")->isHidden());
        f.desktopInput = "Desktop input: the RemoteDesktop portal.";
        f.Build([] { return true; }, [] {});
        QCOMPARE(f.Find<QLabel>("lblDesktopInput")->text(),
                 QStringLiteral("Desktop input: the RemoteDesktop portal."));
        QVERIFY(!f.Find<QLabel>("lblDesktopInput")->isHidden());

        // The General page tells what would otherwise be in the log alone: a Wayland session's
        // note, and a notification area that is missing, looked for again when the page shows.
        auto* notice = f.Find<QLabel>("lblNotice");
        QVERIFY(notice->isHidden());
        f.desktopNote = "This is a Wayland session.";
        f.tray.area = false;
        f.Build([] { return true; }, [] {});
        f.Show();
        notice = f.Find<QLabel>("lblNotice");
        QVERIFY(notice->isVisible());
        QVERIFY(notice->text().startsWith("This is a Wayland session.\n\nThere is no notification area"));
        QCOMPARE(Seen(notice)->text(QAccessible::Name), notice->text());
        f.desktopNote.clear();
        f.Build([] { return true; }, [] {});
        f.Show();
        notice = f.Find<QLabel>("lblNotice");
        f.tray.area = true;
        f.Find<QTabWidget>("sstMain")->setCurrentIndex(1);
        f.Find<QTabWidget>("sstMain")->setCurrentIndex(0);
        QVERIFY(notice->isHidden());
    }

    void eachCodeIsAControlNamedWithItsCode_data() { AddRowsOf(kCodeRows); }
    // Each code shows on the Mouse tab and names its control for assistive tools, both following
    // the working copy; the focus shows on it, and Space or Enter opens its dialog as a click does.
    void eachCodeIsAControlNamedWithItsCode() {
        const auto& [object, setting, name, enter, seen] = RowOf(kCodeRows);
        WindowFixture f;
        f.Find<QTabWidget>("sstMain")->setCurrentIndex(2);  // the Mouse tab, with the keyboard
        QApplication::setActiveWindow(f.window.get());
        auto* spot = f.Find<QWidget>(object);
        QVERIFY2(spot != nullptr, object);
        QCOMPARE(Seen(spot)->role(), QAccessible::Button);
        QCOMPARE(Seen(spot)->text(QAccessible::Name), QString(name));
        const QImage unfocused = spot->grab().toImage();
        spot->setFocus(Qt::TabFocusReason);
        QVERIFY(spot->hasFocus() && spot->grab().toImage() != unfocused);
        QString shown;
        WhenModal([&](QDialog* dialog) { shown = Shown(dialog); });
        QTest::keyClick(spot, enter ? Qt::Key_Return : Qt::Key_Space);
        QCOMPARE(shown, QString(seen));
        layout::Load(layout::Find(setting), f.window->Working(), Variant(std::int16_t{99}));
        f.window->CheckDirty();
        QCOMPARE(Seen(spot)->text(QAccessible::Name), QString(name).section(':', 0, 0) + ": 99");
        QCOMPARE(qobject_cast<QAbstractButton*>(spot)->text(), QStringLiteral("99"));
    }

    // Tab takes the Mouse tab's controls as they are read: the mouse's codes and "More codes...",
    // then round the compass from North, Stop and "Advanced...".
    void tabReachesTheCodesInOrder() {
        WindowFixture f;
        f.Find<QTabWidget>("sstMain")->setCurrentIndex(2);  // the Mouse tab, with the keyboard
        QApplication::setActiveWindow(f.window.get());
        f.Find<QTabWidget>("sstMain")->tabBar()->setFocus();
        QStringList order;
        for (int i = 0; i < 15; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order.join(' '), QStringLiteral("lblLeftSClick lblLeftDClick lblRightSClick lblRightDClick "
                                                 "cmdMoreCodes lblN lblNE lblE lblSE lblS lblSW lblW lblNW "
                                                 "lblStop cmdMouseAdvanced"));
    }

    void eachPendingValueMakesTheWindowDirty_data() {
        QTest::addColumn<int>("edit");  // a control's edit, or (negative) a setting the dialogs edit
        for (std::size_t i = 0; i < kEdits.size(); ++i) {
            QTest::newRow(kEdits[i].first) << static_cast<int>(i);
        }
        const std::vector<layout::Setting>& all = layout::Settings();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!layout::IsText(all[i]) &&
                !QString("BaudRate DataBits StopBits ASCIISequence").contains(all[i].valueName)) {
                QTest::newRow(all[i].valueName) << -1 - static_cast<int>(i);
            }
        }
    }

    // Values are compared, not edits: changed makes the window dirty, changed back makes it clean.
    void eachPendingValueMakesTheWindowDirty() {
        QFETCH(int, edit);
        WindowFixture f;
        for (const bool on : {true, false}) {
            if (edit >= 0) {
                kEdits[static_cast<std::size_t>(edit)].second(f, on);
            } else {
                const layout::Setting& setting = layout::Settings()[static_cast<std::size_t>(-1 - edit)];
                layout::Load(setting, f.window->Working(),
                             on ? Variant(std::int16_t{99}) : layout::Value(setting, f.settings));
                f.window->CheckDirty();
            }
            QCOMPARE(f.State(), QString(on ? "closed OpenPort Apply dirty" : "closed OpenPort"));
        }
    }

    void dirtyCheckSkippedOrFailed() {
        TraceCapture trace;
        WindowFixture f;
        // Start-up resets before the window is first shown: nothing is compared then.
        QVERIFY(trace.Contains("frmSerial.CheckDirty:: Not Checking as form is not visible"));
        f.Choose("cboParity", "Odd");
        // Hidden, a change back is not seen: the state at hiding stands until shown again.
        f.window->hide();
        f.Choose("cboParity", "None");
        QCOMPARE(f.State(), QString("closed OpenPort Apply dirty hidden"));
        f.Show();
        QCOMPARE(f.State(), QString("closed OpenPort"));
        // A pending state that cannot be read (no port selected) leaves the flag as it was.
        f.Choose("cboHandshaking", "Hardware");
        f.Ports()->SelectRow(nullptr);
        f.Choose("cboHandshaking", "None");
        QCOMPARE(f.State(), QString("closed OpenPort Apply dirty"));
        QVERIFY(trace.Contains(
            "frmSerial.CheckDirty:#Method Exit Error#: Object variable or With block variable not set"));
    }

    void commandsCommitOrDiscard_data() { AddRowsOf(kCommandRows); }

    // Apply commits and stays, OK commits and goes to the tray, Cancel throws the edits away (in
    // the controls and the working copy) and goes to the tray; nothing clean is saved.
    void commandsCommitOrDiscard() {
        const auto& [name, command, edited, saves, shown] = RowOf(kCommandRows);
        WindowFixture f;
        if (edited) {
            f.Choose("cboParity", "Mark");
            f.window->Working().MovementDelay(40);
            f.ClickRow("COM3:");
        }
        f.Click(command);
        QCOMPARE(f.saves, saves);
        QCOMPARE(f.State(), QString(shown ? "closed OpenPort" : "closed OpenPort minimised hidden"));
        QVERIFY(f.boxes.All().empty());
        QCOMPARE(f.settings.Parity(), std::string(saves == 1 ? "Mark" : "None"));
        QCOMPARE(f.Combo("cboParity")->currentText(), QString::fromStdString(f.settings.Parity()));
        QCOMPARE(f.window->Working().MovementDelay(), saves == 1 ? 40.0f : 2.0f);
        QCOMPARE(f.SelectedPort(), QString::fromStdString(f.settings.PortName()));
    }

    void escapeClosesAnOpenListAlone_data() { AddRowsOf(kLists); }
    // Esc on an open list closes the list alone, and the edits stay; with none open, Esc is Cancel.
    void escapeClosesAnOpenListAlone() {
        WindowFixture f;
        f.Choose("cboHandshaking", "Xon/Xoff");
        QComboBox* list = f.Combo(std::get<0>(RowOf(kLists)));
        list->showPopup();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        const QString closed = f.State() + (list->view()->isVisible() ? " open" : "");
        QTest::keyClick(list, Qt::Key_Escape);
        QCOMPARE(closed + ", then " + f.State() + " " + f.Combo("cboHandshaking")->currentText(),
                 QString("closed OpenPort Apply dirty, then closed OpenPort minimised hidden None"));
    }

    // Every pending value reaches its own setting, then the record is saved once.
    void setPropertiesWritesEverySettingInOrder() {
        WindowFixture f;
        f.Type("cboBaudRate", "9600");
        for (const auto& [combo, item] : {std::pair{"cboDataBits", "7"},
                                          {"cboParity", "Space"},
                                          {"cboStopBits", "2"},
                                          {"cboHandshaking", "Hardware"}}) {
            f.Choose(combo, item);
        }
        f.ClickRow("COM3:");
        f.Click("chkASCIISequenceEmulation");
        // Every other setting a value of its own; the controls' settings take the controls' values.
        const std::vector<layout::Setting>& all = layout::Settings();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!layout::IsText(all[i])) {
                layout::Load(all[i], f.window->Working(), Variant(static_cast<std::int16_t>(30 + i)));
            }
        }
        f.settings.FlowControl("Xon/Xoff");
        QVERIFY(f.window->SetProperties());
        QCOMPARE(f.saves, 1);
        QString saved;  // in the settings' own order
        for (const layout::Setting& setting : all) {
            saved += QString::fromStdString(layout::Value(setting, f.settings).ToText()) + " ";
        }
        QCOMPARE(
            saved,
            QString(
                "30 1.00 32 33 34 35 36 37 38 39 40 41 42 43 44 45 46 47 48 49 50 51 52 9600 7 None "
                "Hardware Space COM3: 2 1 61 62 63 64 65 66 67 68 69 70 71 72 73 74 75 76 77 78 79 80 81 "));
        f.window->CheckDirty();
        QVERIFY(!f.window->Dirty());
    }

    void setPropertiesFailures() {
        {  // A baud rate that is not a number stops at the first write: nothing changes, nothing is saved.
            TraceCapture trace;
            WindowFixture f;
            f.window->Working().ConnectOnApplicationStartup(1);
            const QSignalBlocker unchecked(f.Combo("cboBaudRate"));
            f.Combo("cboBaudRate")->setEditText("fast");
            QVERIFY(!f.window->SetProperties());
            QCOMPARE(f.saves, 0);
            QCOMPARE(f.settings.BaudRate(), 2400);
            QCOMPARE(f.settings.ConnectOnApplicationStartup(), 0);
            QVERIFY(trace.Contains("frmSerial.SetProperties:#Method Exit Error#: Type mismatch"));
        }
        {  // Without a selected port the writes before the port stand, the later ones never happen.
            WindowFixture f;
            f.Choose("cboHandshaking", "Xon/Xoff");
            f.window->Working().TestPorts(1);
            f.window->Working().N_ASCII(50);
            f.Ports()->SelectRow(nullptr);
            f.Click("cmdOK");
            QCOMPARE(f.saves, 0);
            QCOMPARE(f.settings.Handshaking(), std::string("Xon/Xoff"));
            QCOMPARE(f.settings.TestPorts(), std::int16_t{1});
            QCOMPARE(f.settings.N_ASCII(), std::int16_t{1});
            QCOMPARE(f.boxes.Texts(), QStringList{kNotSaved});
            QCOMPARE(f.boxes.All().front().icon, MsgIcon::Exclamation);
        }
        // A save that fails is reported by Apply; the record already holds the new values. When
        // the store can say why, the message goes on with it.
        WindowFixture f;
        f.saveResult = false;
        for (const char* bits : {"5", "6"}) {
            f.Choose("cboDataBits", bits);
            f.Click("cmdApply");
            f.problem = "The settings tree lacks the key Emulation.";
        }
        QCOMPARE(f.saves, 2);
        QCOMPARE(f.settings.DataBits(), 6);
        QCOMPARE(f.boxes.Texts(), QStringList({kNotSaved, kNotSaved + "\r\n\r\n" + f.problem.c_str()}));
        QVERIFY(f.window->isVisible());
    }

    void resetAfterBadPortOrBadLineSetting() {
        // The saved port is not listed: the rest of the reset still happens, and the failure shows.
        TraceCapture trace;
        WindowFixture f(false);
        f.settings.PortName("COM9:");
        f.settings.ASCIISequence(1);
        QVERIFY(!f.window->Reset());
        QCOMPARE(f.window->MissingSavedPort().value_or(""), std::string("COM9:"));
        QCOMPARE(f.SelectedPort(), QString());
        QVERIFY(f.Find<QCheckBox>("chkASCIISequenceEmulation")->isChecked());
        QVERIFY(trace.Contains("frmSerial.Reset:#Method Exit Error#: Element not found"));
        QVERIFY(!trace.Contains("frmSerial.Reset:Method Exit"));
        QVERIFY(f.boxes.All().empty());
        // Cancel reports it and still hides the window.
        f.Show();
        f.Click("cmdCancel");
        QCOMPARE(f.boxes.Texts(), QStringList{"Failed to reset to last saved properties"});
        QCOMPARE(f.boxes.All().front().icon, MsgIcon::Exclamation);
        QVERIFY(!f.window->isVisible());
        // A stored stop bits value that means nothing.
        QVERIFY(f.window->ShowPortSettings());
        f.settings.StopBits(3);
        QVERIFY(!f.window->ShowPortSettings());
    }

    // A click or a key onto a held port goes back to the saved one, from wherever it came.
    void inUsePortCannotBeChosen() {
        WindowFixture f;
        QCOMPARE(f.SelectedPort(), QStringLiteral("COM1:"));
        QString seen;
        for (const char* row : {"COM4:", "COM3:", "COM4:"}) {
            f.ClickRow(row);
            seen += f.SelectedPort();
        }
        f.Ports()->setFocus();
        f.Ports()->SelectRow(f.Row("COM3:"));
        for (int down = 0; down < 2; ++down) {
            QTest::keyClick(f.Ports(), Qt::Key_Down);
            seen += f.SelectedPort();
        }
        QCOMPARE(seen, QStringLiteral("COM1:COM3:COM1:COM1:COM3:"));
    }

    void openPortAndTrayTip() {
        TraceCapture trace;
        WindowFixture f;
        // The selection and the lists as they are on screen, the saved port in the trace.
        f.ClickRow("COM3:");
        f.Type("cboBaudRate", "9600");
        f.Choose("cboParity", "Mark");
        f.Choose("cboHandshaking", "Hardware");
        f.Click("cmdOpenPort");
        QCOMPARE(f.State(), QString("open ClosePort Apply dirty"));
        QCOMPARE(f.serial.CommPort(), std::int16_t{3});
        QCOMPARE(f.serial.Settings(), std::string("9600,m,8,1"));
        QCOMPARE(f.serial.Handshaking(), comRTS);
        QVERIFY(trace.Contains("frmSerial.OpenPort:: Opening Port COM1: - with settings : 9600,m,8,1"));
        // The tip names the control's port and the saved rate, not the one typed.
        QCOMPARE(f.tray.Tip(),
                 std::string("Quillmotion Enabled\r\nConnected to COM3: at 2400\r\n0 bytes received"));

        // Connect again: already open, nothing is touched.
        f.Choose("cboParity", "Even");
        f.Click("cmdOpenPort");
        QCOMPARE(f.serial.Settings(), std::string("9600,m,8,1"));

        // Disconnect stops the movement too.
        f.road.Movement().MoveMouse(2, 0);
        QVERIFY(f.timer.Enabled());
        f.Click("cmdClosePort");
        QCOMPARE(f.State(), QString("closed OpenPort Apply dirty"));
        QCOMPARE(f.tray.Tip(), kNotConnected);

        // Xon/Xoff with a code of 17 (the right double click here): said once, on the first connect.
        f.settings.RIGHT_DCLICK_ASCII(17);
        f.Choose("cboHandshaking", "Xon/Xoff");
        f.boxes.Clear();
        for (const char* command : {"cmdOpenPort", "cmdClosePort", "cmdOpenPort", "cmdClosePort"}) {
            f.Click(command);
        }
        QCOMPARE(f.boxes.Texts(),
                 QStringList{
                     "With Xon/Xoff handshaking the line keeps codes 17 (XON) and 19 (XOFF) for itself, so "
                     "these actions can never happen:\r\nright double click (RIGHT_DCLICK_ASCII) is code 17 "
                     "(XON)\r\n\r\nChoose other codes on the Mouse tab, or other handshaking on the General "
                     "tab."});

        // A port that does not open: the message, the buttons as they were, the tip unchanged.
        f.serial.FailOpen(true);
        f.boxes.Clear();
        f.Click("cmdOpenPort");
        QCOMPARE(f.boxes.Texts().size(), 1);
        QCOMPARE(f.State(), QString("closed OpenPort Apply dirty"));
        QCOMPARE(f.tray.Tip(), kNotConnected);
        QVERIFY(trace.Contains("frmSerial.OpenPort:#Method Exit Error#: 8002:MSComm:Invalid port number"));
    }

    void receivedCharactersReachTheWindow() {
        WindowFixture f;
        f.Click("cmdOpenPort");
        f.serial.Deliver("ab");
        // A box on a hidden page (Diagnostics) shows the latest text once its page is shown.
        f.Find<QTabWidget>("sstMain")->setCurrentIndex(1);
        QTRY_COMPARE(f.Find<QPlainTextEdit>("txtReceivedBuffer")->toPlainText(),
                     QStringLiteral("098 b\n097 a"));

        // The dispatcher uses the applied codes: an edit waiting for Apply does not count yet.
        f.window->Working().N_ASCII('c');
        f.window->CheckDirty();
        f.serial.Deliver("c");
        QVERIFY(!f.timer.Enabled());
        f.Click("cmdApply");
        f.serial.Deliver("c");
        QVERIFY(f.timer.Enabled());
        QTRY_COMPARE(f.Find<QPlainTextEdit>("txtReceivedBuffer")->toPlainText(),
                     QStringLiteral("099 North\n099 c\n098 b\n097 a"));

        // The count box, hidden meanwhile, shows the latest count once shown; the tip keeps its
        // count until the next character.
        f.Find<QTabWidget>("sstMain")->setCurrentIndex(0);
        QTRY_COMPARE(f.Find<QLineEdit>("txtBytesReceived")->text(), QStringLiteral("4"));
        f.Click("cmdResetBytesReceived");
        QTRY_COMPARE(f.Find<QLineEdit>("txtBytesReceived")->text(), QStringLiteral("0"));
        QCOMPARE(f.tray.Tip(),
                 std::string("Quillmotion Enabled\r\nConnected to COM1: at 2400\r\n4 bytes received"));
    }

    void minimiseAndRestore() {
        {  // With a notification area, minimising hides; the icon's menu restores, edits and all.
            WindowFixture f;
            f.Choose("cboParity", "Odd");
            f.window->MinimiseWindow();
            QCOMPARE(f.State(), QString("closed OpenPort Apply dirty minimised hidden"));
            f.tray.OnProperties();
            QCOMPARE(f.State(), QString("closed OpenPort Apply dirty"));
            QCOMPARE(f.Combo("cboParity")->currentText(), QStringLiteral("Odd"));
        }
        // Without one, nothing could bring a hidden window back: it stays reachable. The tip is
        // kept all the same, for an area that starts later.
        WindowFixture f;
        f.tray.area = false;
        f.window->MinimiseWindow();
        QCOMPARE(f.State(), QString("closed OpenPort minimised"));
        f.Click("cmdOK");
        QCOMPARE(f.State(), QString("closed OpenPort minimised"));
        QVERIFY(f.window->Status().UpdateTrayIconInfo());
    }

    // A person's three ways to end are asked about first: Esc and Enter (the default) are Cancel,
    // and the program runs on.
    void endingAsksFirstAndUnloadsOnce() {
        WindowFixture f;
        f.Click("cmdOpenPort");
        f.serial.Deliver(std::string(1, '\x02'));  // East: the pointer moves on
        QCloseEvent close;                         // as the window system delivers the close button's
        QSpontaneKeyEvent::setSpontaneous(&close);
        Qt::Key key = Qt::Key_Escape;
        for (const std::function<void()>& ask :
             {std::function<void()>([&f] { f.Click("cmdExit"); }), f.tray.OnExit,
              std::function<void()>([&] { QApplication::instance()->notify(f.window.get(), &close); })}) {
            ask();
            QCOMPARE(Question() ? Question()->text() : QString(),
                     "End Quillmotion? The switch device will stop working until it is started again.");
            QTest::keyClick(Question(), std::exchange(key, Qt::Key_Return));
            QVERIFY(!Question() && f.serial.PortOpen() && f.timer.Enabled() && f.window->isVisible());
        }
        QSignalSpy unloaded(f.window.get(), &frmSerial::unloaded);
        // The system ends the program without asking, and takes away a question left open;
        // closing afterwards does not unload again.
        f.Click("cmdExit");
        for (const std::function<void()>& end : {std::function<void()>([&f] { f.window->Form_Unload(); }),
                                                 std::function<void()>([&f] { f.window->close(); })}) {
            end();
            QVERIFY(!f.serial.PortOpen() && !f.timer.Enabled() && f.window->IsUnloaded() && !Question());
            QCOMPARE(unloaded.count(), 1);
            QCOMPARE(f.tray.deletes, 1);
            QCOMPARE(f.terminates, 1);
        }

        // Exit confirmed inside a character's pending-events call: that character finishes, the
        // rest of its input is dropped, and nothing is destroyed under the calls on the stack;
        // the display shows nothing more once its moment has passed after the unload.
        WindowFixture g;
        g.Click("cmdOpenPort");
        g.tray.OnExit();
        g.pump.PostAtCall(1, [] { Question()->button(QMessageBox::Ok)->click(); });
        TraceCapture trace;
        g.serial.Deliver("\x02xyz");
        const int tips = trace.Count("frmSerial.UpdateTrayIconInfo");
        QTest::qWait(30);
        QCOMPARE(trace.Count("frmSerial.UpdateTrayIconInfo"), tips);
        QVERIFY(g.window->IsUnloaded() && !g.timer.Enabled());
        QCOMPARE(g.Listed(), std::vector<std::int16_t>{2});
        QCOMPARE(g.desktop.EventCount(), std::size_t{0});
        QCOMPARE(g.terminates, 1);
    }

    // "More codes...", "Advanced..."'s acceleration and "Startup..."'s reconnecting: each edit
    // becomes pending (Enter takes it, as OK), Apply stores it and nothing else, and a bad code
    // keeps the dialog open with its message.
    void dialogEditsBecomePendingAndApply_data() { AddRowsOf(kDialogRows); }
    void dialogEditsBecomePendingAndApply() {
        const auto& [rowName, opener, control, typed, message, changed] = RowOf(kDialogRows);
        WindowFixture f;
        QStringList shown;
        WhenModal([&](QDialog* dialog) {
            if (auto* box = dialog->findChild<QLineEdit*>(control)) {
                box->setText(typed);
            } else {
                QTest::mouseClick(Child<QCheckBox>(dialog, control), Qt::LeftButton);
            }
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);  // OK is the default button
            shown = f.boxes.Texts();
        });
        f.Click(opener);
        QCOMPARE(shown.join(""),
                 *message == '\0'
                     ? ""
                     : message + QString(" ASCII Code must be a whole number between 0 and 255)"));
        QCOMPARE(f.window->Dirty(), *changed != '\0');
        f.Click("cmdApply");
        SettingsRecord installed;
        FillDefaultSettings(installed);
        QString stored;  // the settings Apply changed
        for (const layout::Setting& setting : layout::Settings()) {
            const std::string value = layout::Value(setting, f.settings).ToText();
            if (value != layout::Value(setting, installed).ToText()) {
                stored += QString::fromStdString(setting.valueName + ("=" + value));
            }
        }
        QCOMPARE(stored, changed);
    }

    // Help and F1 anywhere in the window bring up the one guide window, beside the window rather
    // than over it; its keys scroll it and Escape closes it. Its table holds the installed codes.
    void helpShowsTheGuide() {
        WindowFixture f;
        QApplication::setActiveWindow(f.window.get());
        f.Click("cmdHelp");
        auto* help = Child<frmHelp>(f.window.get(), "frmHelp");
        auto* guide = Child<QTextBrowser>(help, "txtGuide");
        QVERIFY(help->isVisible() && !help->isModal() && help->focusWidget() == guide);
        QVERIFY(guide->toPlainText().contains("When nothing moves"));
        QTest::keyClick(guide, Qt::Key_PageDown);
        QVERIFY(guide->verticalScrollBar()->value() > 0);
        QTest::keyClick(guide, Qt::Key_Escape);
        QVERIFY(!help->isVisible() && f.window->isVisible());
        QTest::keyClick(f.Widget("lvwPort"), Qt::Key_F1);
        QVERIFY(help->isVisible() && f.window->findChildren<frmHelp*>().size() == 1);

        QFile file(guide->source().toLocalFile());  // the guide shown
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (const layout::Setting& setting : layout::Settings()) {
            const QString row = QStringLiteral("<tr><td>%1</td><td>%2</td>")
                                    .arg(setting.fallback.meaning)
                                    .arg(setting.fallback.installedCode);
            QVERIFY2(setting.fallback.installedCode == 0 || html.contains(row), qPrintable(row));
        }
        // Missing, it says so and names where it looked.
        frmHelp missing({QStringLiteral("/nowhere/guide.html")});
        QVERIFY(
            Child<QTextBrowser>(&missing, "txtGuide")
                ->toPlainText()
                .startsWith(
                    "The guide was not found\nQuillmotion looked for its guide here:\n/nowhere/guide.html"));
    }

    // The icon over QSystemTrayIcon: Exit, then Properties in its menu; a single click does nothing
    // (a double click restoring the window, and the tip's lines, are the device-alone and
    // end-to-end runs'). Its tip needs the icon.
    void qtTrayIcon() {
        QtTrayIcon tray;
        auto* icon = tray.findChild<QSystemTrayIcon*>(QStringLiteral("trayIcon"));
        QVERIFY(icon != nullptr);
        QString calls;
        tray.OnExit = [&] { calls += "exit "; };
        tray.OnProperties = [&] { calls += "properties "; };
        tray.OnDoubleClick = [&] { calls += "restore "; };
        QString names = tray.mnuFile()->objectName();
        for (QAction* action : tray.mnuFile()->actions()) {
            names += " " + action->objectName();
            action->trigger();
        }
        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(names, QStringLiteral("mnuFile mnuFileExit mnuFileProperties"));
        QCOMPARE(calls, QStringLiteral("exit properties "));
        QVERIFY(!tray.Modify(kNotConnected));
        QVERIFY(tray.Add("Quillmotion Enabled") && tray.Modify(kNotConnected));
        tray.Delete();
        QVERIFY(!icon->isVisible() && !tray.Modify(kNotConnected));
    }

    // Each state its own picture at the notification area's smallest size, told apart in grey as
    // well: by shape, for those who cannot tell the colours apart.
    void trayPictureForEachState() {
        using enum SessionStatus::Connection;
        const std::tuple<const char*, SessionStatus::Connection, bool> states[] = {
            {"connected", Connected, false},        {"waiting", Waiting, false},
            {"not connected", NotConnected, false}, {"connected, held", Connected, true},
            {"waiting, held", Waiting, true},       {"not connected, held", NotConnected, true},
        };
        QtTrayIcon tray;
        const auto* icon = tray.findChild<QSystemTrayIcon*>(QStringLiteral("trayIcon"));
        std::vector<std::pair<QString, QImage>> seen;
        for (const auto& [name, connection, held] : states) {
            tray.ShowConnection(connection);
            tray.ShowButtonHeld(held);
            const QImage grey =
                icon->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_Grayscale8);
            for (const auto& [other, picture] : seen) {
                int differing = 0;
                for (int y = 0; y < 16; ++y) {
                    for (int x = 0; x < 16; ++x) {
                        differing += std::abs(qGray(grey.pixel(x, y)) - qGray(picture.pixel(x, y))) > 48;
                    }
                }
                QVERIFY2(differing >= 12,
                         qPrintable(QString("%1 like %2: %3 pixels differ").arg(name, other).arg(differing)));
            }
            seen.emplace_back(name, grey);
        }
    }
};

QTEST_MAIN(FrmSerialTest)
#include "FrmSerialTest.moc"
