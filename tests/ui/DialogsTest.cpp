// The dialogs: Advanced movement, the Mouse tab's code editors, Startup Options and About.
// Bad text in every box is in BadInputTest.

#include "settings/hive/FileHiveRegistry.h"
#include "ui/CodeLearner.h"
#include "ui/CodeListening.h"
#include "ui/MouseCodesPanel.h"
#include "ui/WindowFixture.h"
#include "ui/common/UpDownControl.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmAbout.h"
#include "ui/frmMoreCodes.h"
#include "ui/frmMouseClickASCIIValue.h"
#include "ui/frmMouseMovementAdvanced.h"
#include "ui/frmStartupOptions.h"

using namespace qm;
using namespace qm::test;

namespace {

const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
// On Windows the Run value starts the program at log-on, and the texts say so as written; on
// Linux the autostart entry starts it after the log-in, and the option is named as its box is.
const QString kWrittenQuestion = QStringLiteral(
    "This option will add the application to the system startup sequence.  \r\n"
    "To fully use this feature, you should ensure that 'Connect on App Startup' is also selected.\r\n"
    "This will start the application to enable log on via Quillmotion.\r\n"
    "\r\n"
    "NB: This should only be used when Port settings are known and will not change from logon to logon.\r\n"
    "Are you sure you want to continue?");
const QString kWrittenRestart =
    QStringLiteral("This change will take effect the next time you restart your computer");
const QString kRunQuestion = QStringLiteral(
    "This option will start the application each time you log in to this desktop.\r\n"
    "To fully use this feature, you should ensure that 'Connect Automatically when program starts' is also "
    "selected.\r\n"
    "The application starts after you have logged in: it cannot help you log in.\r\n"
    "\r\n"
    "NB: This should only be used when Port settings are known and will not change from one log-in to the "
    "next.\r\n"
    "Are you sure you want to continue?");
const QString kRestart =
    QStringLiteral("Once applied (Apply or OK), this change will take effect the next time you log in");

const QString kUnequal = QStringLiteral(
    "X and Y increment values are not the same - this will result in erratic movement behaviour\r\n\r\n"
    "Are you sure you want to continue");
const QString kSwallowed = QStringLiteral(
    "ASCII Code %1 will not reach Quillmotion while Xon/Xoff handshaking is chosen: the serial line keeps 17 "
    "and 19 for starting and stopping itself.\r\n\r\nChoose another code, or another handshaking on the "
    "General tab.");

struct Opened {
    // Delay, X, Y, bouncy and angle, as text.
    explicit Opened(const QString& given) {
        const QStringList v = given.split(' ');
        dialog.MovementDelay(v[0].toFloat());
        dialog.MovementIncrementX(v[1].toFloat());
        dialog.MovementIncrementY(v[2].toFloat());
        dialog.BouncyMouse(qint16(v[3].toInt()));
        dialog.BouncyMouseAngle(qint16(v[4].toInt()));
        dialog.show();
    }
    QLineEdit* Box(const char* name) { return Child<QLineEdit>(&dialog, name); }
    void Press(const char* name) { Child<QAbstractButton>(&dialog, name)->click(); }
    void Tick() { QMetaObject::invokeMethod(Child<QTimer>(&dialog, "tmrSpeedTest"), "timeout"); }
    QLabel* Cursor() { return Child<QLabel>(&dialog, "imgCursor"); }

    frmMouseMovementAdvanced dialog;
};

// The Mouse tab's two panels over one working copy: N 56, NE 57, Stop 53, left clicks 7 and 9,
// right clicks 17 and 19, every other code 0.
struct Panels {
    Panels() {
        working.N_ASCII(56);
        working.NE_ASCII(57);
        working.STOP_ASCII(53);
        working.LEFT_SCLICK_ASCII(7);
        working.LEFT_DCLICK_ASCII(9);
        working.RIGHT_SCLICK_ASCII(17);
        working.RIGHT_DCLICK_ASCII(19);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(compass);
        layout->addWidget(buttons);
        compass->SetWorkingCopy(&working);
        buttons->SetWorkingCopy(&working);
        window.show();
        static_cast<void>(QTest::qWaitForWindowExposed(&window));
    }
    WorkingCopy working;
    QWidget window;
    CompassCodesPanel* compass = new CompassCodesPanel(&window);
    ButtonCodesPanel* buttons = new ButtonCodesPanel(&window);
};

// The Advanced dialog: opened with the given values (delay, X, Y, bouncy, angle), shown as the three
// boxes, the tick and the angle chosen; the script played (box=text sets a box, spin/up clicks its
// arrow, Yes answers; a name alone is clicked); what comes back ("open" first: the dialog stays
// up), in the locale named (none: English).
const std::vector<std::tuple<const char*, const char*, const char*, const char*, const char*, const char*>>
    kMovementRows = {
        {"unchanged", "2.5 3 3 1 180", "2.5 3 3 on 180", "OKButton", "2.5 3 3 1 180", ""},
        {"equal increments", "10 2 2 0 90", "10 2 2 off 90", "txtXIncrement=3 txtYIncrement=3 OKButton",
         "10 3 3 0 90", ""},
        // Equal numbers, different texts: still asked, and No keeps the dialog open as it was (Yes
        // is in BadInputTest's movement rows).
        {"unequal texts, No", "10 2 2 0 90", "10 2 2 off 90", "txtXIncrement=3 txtYIncrement=03 OKButton",
         "open 10 2 2 0 90", ""},
        // Ticked, 180 chosen, unticked again: the box is back as given, so nothing is stored.
        {"angle while unticked", "10 2 2 0 90", "10 2 2 off 90",
         "chkBouncyMouseEnabled optBouncyMouse180Degrees chkBouncyMouseEnabled OKButton", "10 2 2 0 90", ""},
        // Switching bouncy off with the angle changed: the box makes it a change, and the angle goes with it.
        {"angle, then unticked", "10 2 2 1 90", "10 2 2 on 90",
         "optBouncyMouse180Degrees chkBouncyMouseEnabled OKButton", "10 2 2 0 180", ""},
        // An angle of 45 opens as 90 but stays 45 until a click.
        {"45 kept", "10 2 2 1 45", "10 2 2 on 90", "txtMovementDelay=20 OKButton", "20 2 2 1 45", ""},
        {"45 clicked", "10 2 2 1 45", "10 2 2 on 90", "optBouncyMouse90Degrees OKButton", "10 2 2 1 90", ""},
        {"Cancel", "10 2 2 0 90", "10 2 2 off 90", "txtMovementDelay=300 chkBouncyMouseEnabled CancelButton",
         "10 2 2 0 90", ""},
        // Each spin steps its own box and stops at its limit.
        {"spins", "495 9 1 0 90", "495 9 1 off 90",
         "updDelay/up updDelay/up updXIncrement/up updXIncrement/up updYIncrement/down Yes OKButton",
         "500 10 1 0 90", ""},
        // A stored value longer than three characters is shown whole, not cut.
        {"long values", "1250 2.25 2.25 0 90", "1250 2.25 2.25 off 90", "OKButton", "1250 2.25 2.25 0 90",
         ""},
        // Values show and read back in the locale's format.
        {"German", "0.1 2.5 2.5 0 90", "0,1 2,5 2,5 off 90", "OKButton", "0.1 2.5 2.5 0 90", "de_DE"},
};

// A hover over a picture, where (as a fraction of the picture), and the texts then shown.
const std::vector<std::tuple<const char*, const char*, QPointF, const char*>> kHoverRows = {
    {"North", "imgCompass", {0.5, 0.13}, "North 56"},
    {"South West", "imgCompass", {0.5 - 0.37 * 0.7071, 0.5 + 0.37 * 0.7071}, "South West 200"},
    {"off the compass", "imgCompass", {0.03, 0.03}, " "},
    {"Left", "imgMouse", {0.3, 0.3}, "Left 7 9"},
    {"Right", "imgMouse", {0.7, 0.3}, "Right 17 19"},
    {"off the buttons", "imgMouse", {0.5, 0.8}, "  "},
};

// A hotspot's dialog with the window's handshaking: the single click's code is typed into the box
// that has the focus, the double click's into its own box, and the dialog is closed by a button,
// by Esc (none named) or by Enter ("\r"). Seen: the dialog's title and its boxes; after: N, NE,
// STOP, right single and double click; warned: the codes the warning names.
const std::vector<std::tuple<const char*, const char*, int, const char*, const char*, const char*,
                             const char*, const char*>>
    kEditRows = {
        // Enter (a keyboard's, or 13 typed by the device) is OK.
        {"NE, XON, Enter", "lblNE", comXOnXoff, "Ascii Value : NE Mouse Movement 57", "17", "\r",
         "56 17 53 17 19", "17 (XON)"},
        // Stop sets no title.
        {"Stop, XOFF", "lblStop", comXOnXoff, "Ascii Value :  53", "19", "OKButton", "56 57 19 17 19",
         "19 (XOFF)"},
        // Cancel and Esc hand back the code unchanged, and the window still re-checks.
        {"Stop, Cancel", "lblStop", comNone, "Ascii Value :  53", "99", "CancelButton", "56 57 53 17 19", ""},
        {"Stop, Esc", "lblStop", comNone, "Ascii Value :  53", "41", "", "56 57 53 17 19", ""},
        {"Right, Esc", "lblRightButton", comNone, "ASCII Values: Right Button 17 19", "3 4", "",
         "56 57 53 17 19", ""},
        {"both clicks", "lblRightButton", comXOnXoff, "ASCII Values: Right Button 17 19", "19 17", "OKButton",
         "56 57 53 19 17", "19 (XOFF) and 17 (XON)"},
};

// Startup Options opened with run, connect and check as three bits, the boxes clicked (Run, Connect,
// Test ports), the answer to the question when asked, the button pressed; the boxes shown, whether
// it is dirty, and what comes back, as given.
const std::vector<std::tuple<const char*, int, const char*, MsgResult, const char*, QStringList, bool, int>>
    kStartupRows = {
        {"unchanged", 0b101, "", MsgResult::No, "OKButton", {}, false, 0b101},
        {"No unticks", 0b010, "R", MsgResult::No, "OKButton", {kRunQuestion}, false, 0b010},
        // Unticking asks nothing.
        {"Yes", 0b010, "RT", MsgResult::Yes, "OKButton", {kRunQuestion, kRestart}, true, 0b111},
        {"Cancel", 0b001, "RC", MsgResult::Yes, "CancelButton", {kRunQuestion, kRestart}, false, 0b001},
};

}  // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

// The device's side of "Press the switch": as the road, a code ends the listening as it is handed.
struct DeviceListening final : CodeListening {
    bool Listen(std::function<void(std::int16_t)> taken) override {
        heard = connected ? std::move(taken) : nullptr;
        return connected;
    }
    void StopListening() override { heard = nullptr; }
    bool connected = true;
    std::function<void(std::int16_t)> heard;
};

// "Press the switch" beside a code dialog's box (by its button's number); then a code arrives,
// the wait runs out, Escape, no port, or the dialog goes; after: the box and the line shown.
const std::vector<std::tuple<const char*, const char*, int, const char*, const char*, const char*>>
    kLearnRows = {
        {"compass point takes a code", "frmASCIIValue", 0, "65", "65", "Code 65 taken. OK keeps it."},
        {"double click takes a code", "frmMouseClickASCIIValue", 1, "9", "9", "Code 9 taken. OK keeps it."},
        {"a virtual key is refused", "frmMoreCodes", 8, "300", "",
         "Code 300 is not from 0 to 255, so it was not taken."},
        {"the wait runs out", "frmASCIIValue", 0, "wait", "0",
         "Nothing came from the switch in 0.001 seconds."},
        {"no port", "frmMoreCodes", 0, "unplugged", "",
         "No device is connected: connect its port on the General tab first."},
        {"Escape", "frmMouseClickASCIIValue", 0, "Escape", "0", ""},
        {"the dialog goes", "frmASCIIValue", 0, "gone", "", ""},
};

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void LinksTurnRedWhilePressedAndOpenTheirCaption() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); });
        frmAbout about(nullptr);
        about.show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QVERIFY(Child<QPushButton>(&about, "cmdOK")->hasFocus());  // Enter closes the box, as ever
        for (const char* name : {"lblKelvayLink", "lblProductLink", "lblOstrandLink", "lblCompanyLink"}) {
            auto* link = Child<LinkLabel>(&about, name);
            QString colours = link->TextColour().name();
            QTest::mousePress(link, Qt::LeftButton);
            colours += link->TextColour().name();
            QTest::mouseRelease(link, Qt::LeftButton);
            QCOMPARE(colours + link->TextColour().name(), QStringLiteral("#0000ff#ff0000#0000ff"));
            QCOMPARE(catcher.opened.back().toString(), link->text());
            // Tab reaches it, which shows, and Enter opens it; assistive tools see a link that a
            // press opens.
            const QImage unfocused = link->grab().toImage();
            link->setFocus(Qt::TabFocusReason);
            QVERIFY((link->focusPolicy() & Qt::TabFocus) && link->grab().toImage() != unfocused);
            QTest::keyClick(link, Qt::Key_Return);
            QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(link);
            QCOMPARE(seen->role(), QAccessible::Link);
            seen->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(catcher.opened.mid(catcher.opened.size() - 3),
                     QList<QUrl>(3, QUrl(seen->text(QAccessible::Name))));
        }
        QCOMPARE(catcher.opened.size(), 12);
        // Three links scroll with the description; the maker's sits outside it.
        auto* container = Child<QWidget>(&about, "pctContainer");
        QVERIFY(container->isAncestorOf(Child<QWidget>(&about, "lblOstrandLink")));
        QVERIFY(!container->isAncestorOf(Child<QWidget>(&about, "lblCompanyLink")));
        QVERIFY(Child<QPushButton>(&about, "cmdOK")->isDefault());
        // The scroll bar slides the description, which is taller than its window.
        const QRect window = Child<QFrame>(&about, "pctDescription")->contentsRect();
        auto* bar = Child<QScrollBar>(&about, "vscDescription");
        QCOMPARE(bar->maximum(), container->height() - window.height());
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        QCOMPARE(container->geometry().bottom(), window.bottom());
        // A link the focus moves to is scrolled into the window.
        Child<QWidget>(&about, "lblKelvayLink")->setFocus(Qt::TabFocusReason);
        QCOMPARE(bar->value(), Child<QWidget>(&about, "lblKelvayLink")->y());
    }

    void SysInfoStartsWhatTheRegistryNamesElseWhatPathHasElseSaysSo() {
        ScriptedMessageBoxes boxes;
        QTemporaryDir folder;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", folder.path().toLocal8Bit());
        const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
        FileHiveRegistry registry(folder.filePath(QStringLiteral("hive.reg")).toStdString());
        HKEY firstPut = 0;
        HKEY key = 0;
        const auto put = [&](const std::string& keyPath, const char* name, DWORD type,
                             const std::string& data) {
            QCOMPARE(
                registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, "", 0, KEY_ALL_ACCESS, &key, nullptr),
                0);
            firstPut = firstPut == 0 ? key : firstPut;
            const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
            QCOMPARE(registry.RegSetValueExA(key, name, type, bytes, static_cast<DWORD>(data.size())), 0);
            QCOMPARE(registry.RegCloseKey(key), 0);
        };
        QStringList started;
        bool startWorks = true;
        frmAbout about(&registry);
        about.SetProgramStarter([&](const QString& program) { return started << program, startWorks; });

        // Nothing in the registry, nothing on PATH; then a stand-in on PATH.
        about.StartSysInfo();
        QCOMPARE(boxes.Texts(), QStringList{kUnavailable});
        QFile file(folder.filePath(QStringLiteral("hardinfo")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        about.StartSysInfo();
        QCOMPARE(started, QStringList{file.fileName()});

        // The registry's program comes first; one that will not start is reported.
        put("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", REG_SZ,
            std::string("/opt/msinfo/run") + '\0');
        about.StartSysInfo();
        QCOMPARE(started.last(), QStringLiteral("/opt/msinfo/run"));
        startWorks = false;
        about.StartSysInfo();
        QCOMPARE(boxes.Texts(), QStringList(2, kUnavailable));

        // A number reads as the old code wrote it; a value that is not there empties the text
        // (and its key is closed all the same, as the check below finds).
        put("SOFTWARE\\Test", "Number", REG_DWORD, std::string("\x2a\x01\x00\x00", 4));
        std::string value;
        QVERIFY(about.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Number", value));
        QCOMPARE(value, std::string("&h12A"));
        QVERIFY(!about.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Missing", value));
        QCOMPARE(value, std::string());

        // Every key opened was closed again: no handle given out since the first put is still open.
        put("SOFTWARE\\Test", "Probe", REG_SZ, "");
        QVERIFY(key > firstPut + 8);
        for (HKEY handle = firstPut; handle < key; ++handle) {
            QCOMPARE(registry.RegCloseKey(handle), ERROR_INVALID_HANDLE);
        }
    }

    void MovementOkHandsBackOnlyRealChanges_data() { AddRowsOf(kMovementRows); }
    void MovementOkHandsBackOnlyRealChanges() {
        const auto& [rowName, given, shown, script, handed, locale] = RowOf(kMovementRows);
        QLocale::setDefault(QLocale(*locale == '\0' ? "en_US" : locale));
        const auto english =
            qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        ScriptedMessageBoxes boxes;
        Opened open(given);
        const auto checked = [&](const char* button) {
            return Child<QAbstractButton>(&open.dialog, button)->isChecked();
        };
        QCOMPARE(
            QStringList({open.Box("txtMovementDelay")->text(), open.Box("txtXIncrement")->text(),
                         open.Box("txtYIncrement")->text(), checked("chkBouncyMouseEnabled") ? "on" : "off",
                         checked("optBouncyMouse180Degrees") ? "180" : "90"})
                .join(' '),
            shown);
        for (const QString& step : QString(script).split(' ')) {
            if (step.contains('=')) {
                open.Box(qPrintable(step.section('=', 0, 0)))->setText(step.section('=', 1));
            } else if (step.contains('/')) {
                auto* spin = Child<UpDownControl>(&open.dialog, qPrintable(step.section('/', 0, 0)));
                QTest::mouseClick(spin->findChild<QToolButton*>(step.section('/', 1)), Qt::LeftButton);
            } else if (step == "Yes") {
                boxes.Answer(MsgResult::Yes);
            } else {
                QTest::mouseClick(Child<QAbstractButton>(&open.dialog, qPrintable(step)), Qt::LeftButton);
            }
        }
        const frmMouseMovementAdvanced& d = open.dialog;
        QCOMPARE(QString(d.isVisible() ? "open " : "") + Numbers(d.MovementDelay(), d.MovementIncrementX(),
                                                                 d.MovementIncrementY(), d.BouncyMouse(),
                                                                 d.BouncyMouseAngle()),
                 handed);
        // Each box shown asks of unequal increments, answered Yes where the script says so.
        QCOMPARE(boxes.Texts(), QStringList(boxes.Unanswered() + QString(script).count("Yes"), kUnequal));
    }

    void SpeedTestStepsByTheXTextAndResetsAt270() {
        ScriptedMessageBoxes boxes;
        Opened open("10 2 2 0 90");
        if (Child<QLabel>(&open.dialog, "lblSpeedTest")->width() > 330) {
            QSKIP("large text stretches the strip");
        }
        auto* timer = Child<QTimer>(&open.dialog, "tmrSpeedTest");
        QVERIFY(!timer->isActive());
        open.Box("txtMovementDelay")->setText(QStringLiteral("50"));
        open.Box("txtXIncrement")->setText(QStringLiteral("10"));
        open.Press("cmdTest");
        QCOMPARE(timer->interval(), 50);
        QVERIFY(timer->isActive());
        for (int tick = 0; tick <= 26; ++tick) {
            QCOMPARE(open.Cursor()->x(), 19 + 10 * tick);
            QVERIFY(open.Cursor()->isVisible());
            open.Tick();
        }
        // The left edge has reached 270.
        QCOMPARE(open.Cursor()->x(), 19);
        QVERIFY(!open.Cursor()->isVisible() && !timer->isActive() && !open.dialog.SpeedTestEnabled());
        // The Y increment plays no part, and the next test starts from the left again.
        open.Box("txtYIncrement")->setText(QStringLiteral("7"));
        open.Press("cmdTest");
        open.Tick();
        QCOMPARE(open.Cursor()->x(), 29);
        // Pressing it during a test only sets the interval again.
        open.Box("txtMovementDelay")->setText(QStringLiteral("25"));
        open.Press("cmdTest");
        QCOMPARE(timer->interval(), 25);
        QCOMPARE(open.Cursor()->x(), 29);
        // The X increment emptied during a test ends it, and the user is told why (emptied boxes
        // before OK or a test are in BadInputTest).
        open.Box("txtXIncrement")->clear();
        open.Tick();
        QVERIFY(!open.dialog.SpeedTestEnabled() && !open.Cursor()->isVisible() && open.dialog.isVisible());
        QCOMPARE(boxes.Texts(), QStringList{"Please enter a number for X Increment"});
        // A delay of 0 shows the cursor but never moves it.
        open.Box("txtXIncrement")->setText(QStringLiteral("5"));
        open.Box("txtMovementDelay")->setText(QStringLiteral("0"));
        open.Press("cmdTest");
        QVERIFY(open.Cursor()->isVisible() && open.dialog.SpeedTestEnabled() && !timer->isActive());
        QCOMPARE(open.dialog.SpeedTestInterval(), 0);
    }

    // The start share is edited only with acceleration ticked, and the speed test starts at it:
    // 10 px every 50 ms from a quarter (how it grows is the movement engine's test).
    void SlowStartInTheSpeedTestAndOk() {
        ScriptedMessageBoxes boxes;
        Opened open("50 10 10 0 90");
        open.dialog.AccelerationMaximum(4);
        open.dialog.AccelerationTime(1000);
        open.dialog.AccelerationStart(25);
        QVERIFY(!open.Box("txtAccelerationStart")->isEnabled());
        open.Press("chkAcceleration");
        QVERIFY(open.Box("txtAccelerationStart")->isEnabled());
        open.Press("cmdTest");
        open.Tick();
        QCOMPARE(open.Cursor()->x(), 22);
        open.Box("txtAccelerationStart")->setText(QStringLiteral("10"));
        open.Press("OKButton");
        QCOMPARE(open.dialog.AccelerationStart(), 10);
    }

    void HoverShowsTheWorkingCopyAndEmptiesOffTheHotspots_data() { AddRowsOf(kHoverRows); }
    // The drawn compass's points and the mouse's buttons are where their hotspots are; the texts
    // are the working copy's at the time of the hover.
    void HoverShowsTheWorkingCopyAndEmptiesOffTheHotspots() {
        const auto& [rowName, picture, at, texts] = RowOf(kHoverRows);
        Panels p;
        p.working.SW_ASCII(200);
        auto* image = Child<QWidget>(&p.window, picture);
        // From Stop, or from between the buttons, as a real move is hit-tested.
        for (const QPointF fraction : {QPointF(0.5, 0.5), at}) {
            QTest::mouseMove(image, QPoint(static_cast<int>(fraction.x() * image->width()),
                                           static_cast<int>(fraction.y() * image->height())));
        }
        QStringList shown;
        for (const char* label :
             {"lblDirection", "lblASCIICode", "lblButtonName", "lblSClickASCII", "lblDClickASCII"}) {
            if (image->parentWidget()->isAncestorOf(Child<QLabel>(&p.window, label))) {
                shown << Child<QLabel>(&p.window, label)->text();
            }
        }
        QCOMPARE(shown.join(' '), texts);
    }

    void HotspotsEditTheWorkingCopyThroughTheirDialogs_data() { AddRowsOf(kEditRows); }
    // The title bar has its own font, here twice the dialog's: the caption must fit beside the
    // buttons, and no maximise button is offered. The code shown is selected, so typing replaces
    // it; codes Xon/Xoff keeps are warned of and taken all the same.
    void HotspotsEditTheWorkingCopyThroughTheirDialogs() {
        const auto& [rowName, hotspot, handshaking, seen, typed, button, after, warned] = RowOf(kEditRows);
        ScriptedMessageBoxes boxes;
        const QFont normal = QApplication::font("QMdiSubWindowTitleBar");
        const auto restore = qScopeGuard([&] { QApplication::setFont(normal, "QMdiSubWindowTitleBar"); });
        QFont big = QApplication::font();
        big.setPointSizeF(big.pointSizeF() * 2);
        QApplication::setFont(big, "QMdiSubWindowTitleBar");
        big.setBold(true);
        Panels p;
        p.compass->SetHandshaking([&] { return handshaking; });
        p.buttons->SetHandshaking([&] { return handshaking; });
        QSignalSpy compassEdits(p.compass, &CompassCodesPanel::CodesEdited);
        QSignalSpy buttonEdits(p.buttons, &ButtonCodesPanel::CodesEdited);
        QStringList shown;
        test::WhenModal([&](QDialog* dialog) {
            QVERIFY(dialog->parentWidget() == &p.window);
            const QFontMetrics bar(big);
            QVERIFY2(dialog->width() >= bar.horizontalAdvance(dialog->windowTitle()) + 3 * bar.height(),
                     qPrintable(QStringLiteral("%1 px").arg(dialog->width())));
            const Qt::WindowFlags fixed = Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint;
            QCOMPARE(dialog->windowFlags() & (fixed | Qt::WindowMaximizeButtonHint), fixed);
            shown << Shown(dialog);
            QTest::keyClicks(dialog->focusWidget(), QString(typed).section(' ', 0, 0));
            auto* twice = dialog->findChild<QLineEdit*>("txtDClickASCIICode");
            if (twice != nullptr) {
                twice->setText(QString(typed).section(' ', 1));
            }
            auto* pressed = dialog->findChild<QPushButton*>(button);
            pressed ? pressed->click()
                    : QTest::keyClick(dialog->focusWidget(), *button ? Qt::Key_Return : Qt::Key_Escape);
            QVERIFY(!dialog->isVisible());
        });
        QTest::mouseClick(Child<QWidget>(&p.window, hotspot), Qt::LeftButton);
        QCOMPARE(shown.join(' '), seen);
        const WorkingCopy& w = p.working;
        QCOMPARE(Numbers(w.N_ASCII(), w.NE_ASCII(), w.STOP_ASCII(), w.RIGHT_SCLICK_ASCII(),
                         w.RIGHT_DCLICK_ASCII()),
                 after);
        QCOMPARE(boxes.Texts(), *warned == '\0' ? QStringList() : QStringList{kSwallowed.arg(warned)});
        QVERIFY(boxes.All().empty() || boxes.All().front().icon == MsgIcon::Exclamation);
        QCOMPARE(compassEdits.count() + buttonEdits.count(), 1);
        QCOMPARE(buttonEdits.count(), QString(hotspot) == "lblRightButton" ? 1 : 0);
    }
    void CodeBoxesTakeOnlyDigitsAndStepWithinTheRange() {
        frmASCIIValue dialog;
        dialog.ASCIIValue(254);
        dialog.show();
        auto* text = Child<QLineEdit>(&dialog, "txtASCIICode");
        text->setFocus();
        text->setCursorPosition(3);
        // Typed bad text is in BadInputTest; Backspace and Ctrl+V are refused too.
        QTest::keyClick(text, Qt::Key_Backspace);
        QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(dialog.isVisible());
        QCOMPARE(text->text(), QStringLiteral("254"));
        // The spin's arrows, which step nothing while the box is greyed (off), and the Up key.
        auto* updASCII = Child<UpDownControl>(&dialog, "updASCII");
        QString seen;
        for (const char* button : {"up", "up", "down", "off", "down", "on"}) {
            *button == 'o' ? text->setEnabled(button[1] == 'n')
                           : QTest::mouseClick(updASCII->findChild<QToolButton*>(button), Qt::LeftButton);
            seen += text->text() + " ";
        }
        QTest::keyClick(text, Qt::Key_Up);
        QCOMPARE(seen + text->text(), QStringLiteral("255 255 254 254 254 254 255"));
    }

    void PressTheSwitchTakesTheDevicesNextCode_data() { AddRowsOf(kLearnRows); }
    // The taken code is selected in its box, so Enter (the device's too) keeps it; the listening
    // never outlives the wait, whatever ends it.
    void PressTheSwitchTakesTheDevicesNextCode() {
        const auto& [rowName, name, index, then, box, line] = RowOf(kLearnRows);
        DeviceListening device;
        device.connected = QString(then) != "unplugged";
        QPointer<QDialog> dialog = QString(name) == "frmMoreCodes" ? static_cast<QDialog*>(new frmMoreCodes)
                                   : QString(name) == "frmASCIIValue"
                                       ? static_cast<QDialog*>(new frmASCIIValue)
                                       : new frmMouseClickASCIIValue;
        dialog->findChild<CodeLearner*>()->Listening(&device);
        dialog->findChild<CodeLearner*>()->WaitLimit(1);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QLineEdit* target = dialog->findChildren<QLineEdit*>(QRegularExpression("^txt")).at(index);
        QTest::mouseClick(dialog->findChildren<QPushButton*>("cmdLearn").at(index), Qt::LeftButton);
        QCOMPARE(bool(device.heard), device.connected);
        const bool code = QString(then).front().isDigit();
        if (code) {
            std::exchange(device.heard, nullptr)(static_cast<std::int16_t>(QString(then).toInt()));
        } else if (QString(then) == "Escape") {
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
            QVERIFY(!dialog->isVisible());
        } else if (QString(then) == "gone") {
            delete dialog;
        }
        QTRY_VERIFY(!device.heard);
        if (dialog) {
            QCOMPARE(target->text(), QString(box));
            QCOMPARE(Child<QLabel>(dialog, "lblLearn")->text(), QString(line));
        }
        if (code && *box != '\0') {
            QVERIFY(target->hasFocus() && target->selectedText() == target->text());
            QTest::keyClick(target, Qt::Key_Return);
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
        delete dialog;
    }

    // "More Codes" names each box, and captions it, as written, in the order of the codes.
    void MoreCodesBoxesByTheirWrittenNames() {
        frmMoreCodes dialog;
        QStringList boxes;
        for (const QLineEdit* box : dialog.findChildren<QLineEdit*>()) {
            boxes << box->objectName() + "=" + box->accessibleName();
        }
        QCOMPARE(
            boxes.join(' '),
            QStringLiteral("txtLeftLock=Left Button Lock txtMiddleClick=Middle Click txtWheelUp=Wheel Up "
                           "txtWheelDown=Wheel Down txtWheelLeft=Wheel Left txtWheelRight=Wheel Right "
                           "txtFaster=Faster txtSlower=Slower txtEscape=Escape txtArrowLeft=Arrow Left "
                           "txtArrowRight=Arrow Right txtArrowUp=Arrow Up txtArrowDown=Arrow Down "
                           "txtCtrl=Ctrl txtAlt=Alt txtLogo=Logo Key"));
    }

    void AnswersAndCommands_data() { AddRowsOf(kStartupRows); }
    void AnswersAndCommands() {
        const auto& [rowName, given, clicks, answer, button, shown, dirty, handed] = RowOf(kStartupRows);
        ScriptedMessageBoxes boxes;
        frmStartupOptions dialog;
        dialog.RunOnSystemStartup(given >> 2);
        dialog.ConnectOnStartup((given >> 1) & 1);
        dialog.CheckPortsOnStartup(given & 1);
        dialog.show();
        for (const QChar box : QString(clicks)) {
            boxes.Answer(answer);
            const char* name = box == 'R'   ? "chkStartOnSystemStartup"
                               : box == 'C' ? "chkAutoConnect"
                                            : "chkTestPorts";
            QTest::mouseClick(Child<QCheckBox>(&dialog, name), Qt::LeftButton);
        }
        if (!shown.isEmpty()) {
            QCOMPARE(boxes.All().front().icon, MsgIcon::Question);
            QCOMPARE(boxes.All().back().icon, shown.size() > 1 ? MsgIcon::Information : MsgIcon::Question);
        }
        Child<QPushButton>(&dialog, button)->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(boxes.Texts(), shown);
        QCOMPARE(dialog.Dirty(), dirty);
        QCOMPARE(
            dialog.RunOnSystemStartup() << 2 | dialog.ConnectOnStartup() << 1 | dialog.CheckPortsOnStartup(),
            handed);
        QCOMPARE(StartAtLogOnTextsFor(true).question + StartAtLogOnTextsFor(true).takesEffect,
                 kWrittenQuestion + kWrittenRestart);
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
