// The dialogs: Advanced movement, the Mouse tab's code editors, Startup Options and About.
// Bad text in every box is in BadInputTest.
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QtTest>

#include "ports/SerialControl.h"
#include "settings/SettingsRecord.h"
#include "settings/hive/FileHiveRegistry.h"
#include "ui/Child.h"
#include "ui/MouseCodesPanel.h"
#include "ui/ScriptedMessageBoxes.h"
#include "ui/common/UpDownControl.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmAbout.h"
#include "ui/frmMouseClickASCIIValue.h"
#include "ui/frmMouseMovementAdvanced.h"
#include "ui/frmStartupOptions.h"

using namespace qm;
using qm::test::Child;
using qm::test::ScriptedMessageBoxes;

namespace {

const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
const QString kRunQuestion = QStringLiteral(
    "This option will add the application to the system startup sequence.  \r\n"
    "To fully use this feature, you should ensure that 'Connect on App Startup' is also selected.\r\n"
    "This will start the application to enable log on via Quillmotion.\r\n"
    "\r\n"
    "NB: This should only be used when Port settings are known and will not change from logon to logon.\r\n"
    "Are you sure you want to continue?");
const QString kRestart =
    QStringLiteral("This change will take effect the next time you restart your computer");

struct Opened {
    explicit Opened(MovementTuning t) {
        dialog.MovementDelay(t.MovementDelay);
        dialog.MovementIncrementX(t.MovementIncrementX);
        dialog.MovementIncrementY(t.MovementIncrementY);
        dialog.BouncyMouse(t.BouncyMouse);
        dialog.BouncyMouseAngle(t.BouncyMouseAngle);
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
    }
    WorkingCopy working;
    QWidget window;
    CompassCodesPanel* compass = new CompassCodesPanel(&window);
    ButtonCodesPanel* buttons = new ButtonCodesPanel(&window);
};

// Values as one line of text, for one comparison.
template <typename... T>
QString Numbers(T... values) {
    return QStringList{QString::number(values)...}.join(' ');
}

}  // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
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
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(Child<QLabel>(&about, "lblVersion")->text(), QStringLiteral("Beta Version %1.%2.%3")
                                                                  .arg(QM_VERSION_MAJOR)
                                                                  .arg(QM_VERSION_MINOR)
                                                                  .arg(QM_VERSION_PATCH));
        for (const char* name : {"lblKelvayLink", "lblProductLink", "lblOstrandLink", "lblCompanyLink"}) {
            auto* link = Child<LinkLabel>(&about, name);
            QString colours = link->TextColour().name();
            QTest::mousePress(link, Qt::LeftButton);
            colours += link->TextColour().name();
            QTest::mouseRelease(link, Qt::LeftButton);
            QCOMPARE(colours + link->TextColour().name(), QStringLiteral("#0000ff#ff0000#0000ff"));
            QCOMPARE(catcher.opened.back().toString(), link->text());
        }
        QCOMPARE(catcher.opened.size(), 4);
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
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }

    void SysInfoStartsWhatTheRegistryNamesElseWhatPathHasElseSaysSo() {
        ScriptedMessageBoxes boxes;
        QTemporaryDir folder;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", folder.path().toLocal8Bit());
        const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
        FileHiveRegistry registry(folder.filePath(QStringLiteral("HKEY_LOCAL_MACHINE.reg")).toStdString(),
                                  "");
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
        QVERIFY(started.isEmpty());
        QCOMPARE(boxes.Texts(), QStringList{kUnavailable});
        boxes.Clear();
        QFile file(folder.filePath(QStringLiteral("hardinfo")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        about.StartSysInfo();
        QCOMPARE(started, QStringList{file.fileName()});
        QVERIFY(boxes.All().empty());

        // The registry's program comes first; one that will not start is reported.
        put("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", REG_SZ,
            std::string("/opt/msinfo/run") + '\0');
        about.StartSysInfo();
        QCOMPARE(started.last(), QStringLiteral("/opt/msinfo/run"));
        startWorks = false;
        about.StartSysInfo();
        QCOMPARE(boxes.Texts(), QStringList{kUnavailable});

        // A number reads as the old code wrote it; a value that is not there empties the text.
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

    void MovementOkHandsBackOnlyRealChanges_data() {
        QTest::addColumn<QString>("given");   // delay, X, Y, bouncy, angle
        QTest::addColumn<QString>("shown");   // the three boxes, the tick and the angle chosen
        QTest::addColumn<QString>("script");  // box=text sets a box; a name alone is clicked
        QTest::addColumn<QString>("handed");
        QTest::addColumn<QString>("locale");
        const auto row = [](const char* name, const char* given, const char* shown, const char* script,
                            const char* handed, const char* locale = "en_US") {
            QTest::newRow(name) << given << shown << script << handed << locale;
        };
        row("unchanged", "2.5 3 3 1 180", "2.5 3 3 on 180", "OKButton", "2.5 3 3 1 180");
        row("equal increments", "10 2 2 0 90", "10 2 2 off 90", "txtXIncrement=3 txtYIncrement=3 OKButton",
            "10 3 3 0 90");
        // Ticked, 180 chosen, unticked again: the box is back as given, so nothing is stored.
        row("angle while unticked", "10 2 2 0 90", "10 2 2 off 90",
            "chkBouncyMouseEnabled optBouncyMouse180Degrees chkBouncyMouseEnabled OKButton", "10 2 2 0 90");
        // Switching bouncy off with the angle changed: the box makes it a change, and the angle goes with it.
        row("angle, then unticked", "10 2 2 1 90", "10 2 2 on 90",
            "optBouncyMouse180Degrees chkBouncyMouseEnabled OKButton", "10 2 2 0 180");
        // An angle of 45 opens as 90 but stays 45 until a click.
        row("45 kept", "10 2 2 1 45", "10 2 2 on 90", "txtMovementDelay=20 OKButton", "20 2 2 1 45");
        row("45 clicked", "10 2 2 1 45", "10 2 2 on 90", "optBouncyMouse90Degrees OKButton", "10 2 2 1 90");
        row("Cancel", "10 2 2 0 90", "10 2 2 off 90",
            "txtMovementDelay=300 chkBouncyMouseEnabled CancelButton", "10 2 2 0 90");
        // Values show and read back in the locale's format.
        row("German", "0.1 2.5 2.5 0 90", "0,1 2,5 2,5 off 90", "OKButton", "0.1 2.5 2.5 0 90", "de_DE");
    }

    void MovementOkHandsBackOnlyRealChanges() {
        QFETCH(QString, given);
        QFETCH(QString, shown);
        QFETCH(QString, script);
        QFETCH(QString, handed);
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        const auto english =
            qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        ScriptedMessageBoxes boxes;
        const QStringList v = given.split(' ');
        Opened open(
            {v[0].toFloat(), v[1].toFloat(), v[2].toFloat(), qint16(v[3].toInt()), qint16(v[4].toInt())});
        const auto checked = [&](const char* name) {
            return Child<QAbstractButton>(&open.dialog, name)->isChecked();
        };
        QCOMPARE(
            QStringList({open.Box("txtMovementDelay")->text(), open.Box("txtXIncrement")->text(),
                         open.Box("txtYIncrement")->text(), checked("chkBouncyMouseEnabled") ? "on" : "off",
                         checked("optBouncyMouse180Degrees") ? "180" : "90"})
                .join(' '),
            shown);
        for (const QString& step : script.split(' ')) {
            if (step.contains('=')) {
                open.Box(qPrintable(step.section('=', 0, 0)))->setText(step.section('=', 1));
            } else {
                QTest::mouseClick(Child<QAbstractButton>(&open.dialog, qPrintable(step)), Qt::LeftButton);
            }
        }
        QVERIFY(!open.dialog.isVisible());
        QVERIFY(boxes.All().empty());
        const frmMouseMovementAdvanced& d = open.dialog;
        QCOMPARE(Numbers(d.MovementDelay(), d.MovementIncrementX(), d.MovementIncrementY(), d.BouncyMouse(),
                         d.BouncyMouseAngle()),
                 handed);
    }

    // Equal numbers, different texts: still asked; No keeps the dialog open as it was.
    void UnequalIncrementTextsAskFirstAndNoKeepsTheDialogOpen() {
        ScriptedMessageBoxes boxes;
        Opened open({10, 2, 2, 0, 90});
        open.Box("txtXIncrement")->setText(QStringLiteral("3"));
        open.Box("txtYIncrement")->setText(QStringLiteral("03"));
        boxes.Answer(MsgResult::No);
        open.Press("OKButton");
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("X and Y increment values are not the same - this "
                                                           "will result in erratic movement behaviour\r\n\r\n"
                                                           "Are you sure you want to continue")});
        QCOMPARE(boxes.All().front().icon, MsgIcon::Question);
        QCOMPARE(boxes.All().front().buttons, MsgButtons::YesNo);
        QVERIFY(open.dialog.isVisible());
        QCOMPARE(open.Box("txtYIncrement")->text(), QStringLiteral("03"));
        QCOMPARE(open.dialog.MovementIncrementX(), 2.0f);
        boxes.Answer(MsgResult::Yes);
        open.Press("OKButton");
        QVERIFY(!open.dialog.isVisible());
        QCOMPARE(Numbers(open.dialog.MovementIncrementX(), open.dialog.MovementIncrementY()), "3 3");
        QCOMPARE(boxes.Unanswered(), 0);
    }

    void SpeedTestStepsByTheXTextAndResetsAt270() {
        ScriptedMessageBoxes boxes;
        Opened open({10, 2, 2, 0, 90});
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
        QVERIFY(boxes.All().empty());
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

    // Each spin steps its own box and stops at its limit; a stored value longer than three
    // characters is shown whole, not cut.
    void SpinsStepWithinTheirLimitsAndStoredValuesShowWhole() {
        Opened open({495, 9, 1, 0, 90});
        for (const auto& [spin, button, box, after] :
             {std::tuple{"updDelay", "up", "txtMovementDelay", "500"},
              {"updDelay", "up", "txtMovementDelay", "500"},
              {"updXIncrement", "up", "txtXIncrement", "10"},
              {"updXIncrement", "up", "txtXIncrement", "10"},
              {"updYIncrement", "down", "txtYIncrement", "1"}}) {
            QTest::mouseClick(Child<UpDownControl>(&open.dialog, spin)->findChild<QToolButton*>(button),
                              Qt::LeftButton);
            QCOMPARE(open.Box(box)->text(), QString::fromLatin1(after));
        }
        Opened stored({1250, 2.25f, 2.25f, 0, 90});
        QCOMPARE(stored.Box("txtMovementDelay")->text() + " " + stored.Box("txtXIncrement")->text(),
                 QStringLiteral("1250 2.25"));
    }

    void HoverShowsTheWorkingCopyAndEmptiesOffTheHotspots_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QPointF>("at");  // as a fraction of the picture
        QTest::addColumn<QString>("texts");
        QTest::newRow("North") << "imgCompass" << QPointF(0.5, 0.13) << "North 56";
        QTest::newRow("South West") << "imgCompass" << QPointF(0.5 - 0.37 * 0.7071, 0.5 + 0.37 * 0.7071)
                                    << "South West 200";
        QTest::newRow("off the compass") << "imgCompass" << QPointF(0.03, 0.03) << " ";
        QTest::newRow("Left") << "imgMouse" << QPointF(0.3, 0.3) << "Left 7 9";
        QTest::newRow("Right") << "imgMouse" << QPointF(0.7, 0.3) << "Right 17 19";
        QTest::newRow("off the buttons") << "imgMouse" << QPointF(0.5, 0.8) << "  ";
    }

    // The drawn compass's points and the mouse's buttons are where their hotspots are; the texts
    // are the working copy's at the time of the hover.
    void HoverShowsTheWorkingCopyAndEmptiesOffTheHotspots() {
        QFETCH(QString, picture);
        QFETCH(QPointF, at);
        QFETCH(QString, texts);
        Panels p;
        QVERIFY(QTest::qWaitForWindowExposed(&p.window));
        p.working.SW_ASCII(200);
        auto* image = Child<QWidget>(&p.window, qPrintable(picture));
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

    void HotspotsEditTheWorkingCopyThroughTheirDialogs_data() {
        QTest::addColumn<QString>("hotspot");
        QTest::addColumn<QString>("seen");  // the dialog's title and its boxes
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("after");  // N, NE, STOP, right single and double click
        QTest::addColumn<int>("warnings");
        const auto row = [](const char* hotspot, const char* seen, const char* typed, const char* button,
                            const char* after, int warnings) {
            QTest::newRow(hotspot) << hotspot << seen << typed << button << after << warnings;
        };
        // The panel's handshaking (Xon/Xoff) reaches the dialog, which warns and still takes the code.
        row("lblNE", "Ascii Value : NE Mouse Movement 57", "17", "OKButton", "56 17 53 17 19", 1);
        // Stop sets no title; Cancel hands back the code unchanged, and the window still re-checks.
        row("lblStop", "Ascii Value :  53", "99", "CancelButton", "56 57 53 17 19", 0);
        row("lblRightButton", "ASCII Values: Right Button 17 19", "0 255", "OKButton", "56 57 53 0 255", 0);
    }

    void HotspotsEditTheWorkingCopyThroughTheirDialogs() {
        QFETCH(QString, hotspot);
        QFETCH(QString, seen);
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QString, after);
        QFETCH(int, warnings);
        ScriptedMessageBoxes boxes;
        Panels p;
        p.compass->SetHandshaking([] { return comXOnXoff; });
        QVERIFY(QTest::qWaitForWindowExposed(&p.window));
        QSignalSpy compassEdits(p.compass, &CompassCodesPanel::CodesEdited);
        QSignalSpy buttonEdits(p.buttons, &ButtonCodesPanel::CodesEdited);
        QStringList shown;
        test::WhenModal([&](QDialog* dialog) {
            QVERIFY(dialog->parentWidget() == &p.window);
            shown << dialog->windowTitle();
            const QStringList codes = typed.split(' ');
            const QList<QLineEdit*> edits = dialog->findChildren<QLineEdit*>(QRegularExpression("^txt"));
            for (qsizetype i = 0; i < edits.size(); ++i) {
                shown << edits[i]->text();
                edits[i]->selectAll();
                QTest::keyClicks(edits[i], codes.value(i));
            }
            Child<QPushButton>(dialog, qPrintable(button))->click();
        });
        QTest::mouseClick(Child<QWidget>(&p.window, qPrintable(hotspot)), Qt::LeftButton);
        QCOMPARE(shown.join(' '), seen);
        const WorkingCopy& w = p.working;
        QCOMPARE(Numbers(w.N_ASCII(), w.NE_ASCII(), w.STOP_ASCII(), w.RIGHT_SCLICK_ASCII(),
                         w.RIGHT_DCLICK_ASCII()),
                 after);
        QCOMPARE(boxes.Texts().size(), warnings);
        QCOMPARE(compassEdits.count() + buttonEdits.count(), 1);
        QCOMPARE(buttonEdits.count(), hotspot == "lblRightButton" ? 1 : 0);
    }

    void CodeDialogs_data() {
        QTest::addColumn<bool>("pair");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<QString>("typed");   // the single click's code, then the double click's
        QTest::addColumn<QString>("named");   // in the warning; empty: no warning
        QTest::addColumn<QString>("ending");  // a button, or (empty) Esc and then Cancel if still open
        const auto row = [](const char* name, bool pair, const char* title, int handshaking,
                            const char* typed, const char* named, const char* ending = "OKButton") {
            QTest::newRow(name) << pair << title << handshaking << typed << named << ending;
        };
        row("XON", false, "NW Mouse Movement", comXOnXoff, "17", "17 (XON) will");
        row("XOFF, Stop's empty title", false, "", comXOnXoff, "19", "19 (XOFF) will");
        row("other code", false, "N Mouse Movement", comXOnXoff, "18", "");
        row("no handshaking", false, "N Mouse Movement", comNone, "17", "");
        row("both clicks", true, "Right Button", comXOnXoff, "19 17", "19 (XOFF) and 17 (XON)");
        row("hardware", true, "Left Button", comRTS, "19 17", "");
        // Esc cancels the compass dialog but not the button dialog; both hand back what was given.
        row("Esc", false, "N Mouse Movement", comNone, "41", "", "");
        row("Esc ignored, Cancel", true, "Left Button", comNone, "3 4", "", "");
    }

    // The title bar has its own font, here twice the dialog's: the caption must fit beside the
    // buttons, and no maximise button is offered. The code shown is selected, so typing replaces
    // it; codes Xon/Xoff keeps are warned of and taken all the same.
    void CodeDialogs() {
        QFETCH(bool, pair);
        QFETCH(QString, title);
        QFETCH(int, handshaking);
        QFETCH(QString, typed);
        QFETCH(QString, named);
        QFETCH(QString, ending);
        ScriptedMessageBoxes boxes;
        const QFont normal = QApplication::font("QMdiSubWindowTitleBar");
        QFont big = QApplication::font();
        big.setPointSizeF(big.pointSizeF() * 2);
        QApplication::setFont(big, "QMdiSubWindowTitleBar");
        frmASCIIValue single;
        frmMouseClickASCIIValue twin;
        QDialog* dialog = pair ? static_cast<QDialog*>(&twin) : &single;
        single.ASCIIValue(65);
        twin.SClickASCIIValue(65);
        twin.DClickASCIIValue(66);
        single.Handshaking(handshaking);
        twin.Handshaking(handshaking);
        if (!title.isEmpty()) {
            pair ? twin.TitleText(title) : single.TitleText(title);
        }
        dialog->show();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QApplication::setFont(normal, "QMdiSubWindowTitleBar");
        big.setBold(true);
        const QFontMetrics bar(big);
        QVERIFY2(dialog->width() >= bar.horizontalAdvance(dialog->windowTitle()) + 3 * bar.height(),
                 qPrintable(QStringLiteral("%1 px").arg(dialog->width())));
        const Qt::WindowFlags fixed = Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint;
        QCOMPARE(dialog->windowFlags() & (fixed | Qt::WindowMaximizeButtonHint), fixed);

        QTest::keyClicks(QApplication::focusWidget(), typed.section(' ', 0, 0));
        if (pair) {
            Child<QLineEdit>(dialog, "txtDClickASCIICode")->setText(typed.section(' ', 1));
        }
        if (ending.isEmpty()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTest::keyClick(dialog, Qt::Key_Escape);
            QCOMPARE(dialog->isVisible(), pair);
            ending = QStringLiteral("CancelButton");
        }
        if (dialog->isVisible()) {
            Child<QPushButton>(dialog, qPrintable(ending))->click();
        }
        QVERIFY(!dialog->isVisible());
        const bool taken = ending == QStringLiteral("OKButton");
        QCOMPARE(dialog->result(), int(taken ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(Numbers(pair ? twin.SClickASCIIValue() : single.ASCIIValue(), twin.DClickASCIIValue()),
                 !taken ? QStringLiteral("65 66")
                 : pair ? typed
                        : typed + " 66");
        QCOMPARE(boxes.Texts().size(), named.isEmpty() ? 0 : 1);
        if (!named.isEmpty()) {
            QVERIFY2(boxes.Texts().front().contains(named) && boxes.Texts().front().contains("Xon/Xoff"),
                     qPrintable(boxes.Texts().front()));
            QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
        }
    }

    void CodeBoxesTakeOnlyDigitsAndStepWithinTheRange() {
        frmASCIIValue dialog;
        dialog.ASCIIValue(254);
        dialog.show();
        auto* text = Child<QLineEdit>(&dialog, "txtASCIICode");
        text->setFocus();
        text->setCursorPosition(3);
        // Typed bad text is in BadInputTest; Backspace and Ctrl+V are refused too, and Return is
        // discarded so that it does not press a button.
        QTest::keyClick(text, Qt::Key_Backspace);
        QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(text, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(text->text(), QStringLiteral("254"));
        // The spin's arrows and the Up key.
        auto* updASCII = Child<UpDownControl>(&dialog, "updASCII");
        const auto click = [&](const char* button) {
            QTest::mouseClick(updASCII->findChild<QToolButton*>(button), Qt::LeftButton);
            return text->text() + " ";
        };
        QString seen;
        for (const char* button : {"up", "up", "down"}) {
            seen += click(button);
        }
        text->setText(QStringLiteral("0"));
        seen += click("down");
        QTest::keyClick(text, Qt::Key_Up);
        QCOMPARE(seen + text->text(), QStringLiteral("255 255 254 0 1"));
    }

    void AnswersAndCommands_data() {
        QTest::addColumn<int>("given");       // run, connect, check as three bits
        QTest::addColumn<QString>("clicks");  // the boxes clicked: Run, Connect, Test ports
        QTest::addColumn<int>("answer");      // to the question, when asked
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("dirty");
        QTest::addColumn<int>("handed");  // what comes back, as given
        QTest::newRow("unchanged") << 0b101 << "" << 0 << "OKButton" << QStringList{} << false << 0b101;
        QTest::newRow("No unticks") << 0b010 << "R" << int(MsgResult::No) << "OKButton"
                                    << QStringList{kRunQuestion} << false << 0b010;
        // Unticking asks nothing.
        QTest::newRow("Yes") << 0b010 << "RT" << int(MsgResult::Yes) << "OKButton"
                             << QStringList{kRunQuestion, kRestart} << true << 0b111;
        QTest::newRow("Cancel") << 0b001 << "RC" << int(MsgResult::Yes) << "CancelButton"
                                << QStringList{kRunQuestion, kRestart} << false << 0b001;
    }

    void AnswersAndCommands() {
        QFETCH(int, given);
        QFETCH(QString, clicks);
        QFETCH(int, answer);
        QFETCH(QString, button);
        QFETCH(QStringList, shown);
        QFETCH(bool, dirty);
        QFETCH(int, handed);
        ScriptedMessageBoxes boxes;
        frmStartupOptions dialog;
        dialog.RunOnSystemStartup(given >> 2);
        dialog.ConnectOnStartup((given >> 1) & 1);
        dialog.CheckPortsOnStartup(given & 1);
        dialog.show();
        for (const QChar box : clicks) {
            boxes.Answer(static_cast<MsgResult>(answer));
            const char* name = box == 'R'   ? "chkStartOnSystemStartup"
                               : box == 'C' ? "chkAutoConnect"
                                            : "chkTestPorts";
            QTest::mouseClick(Child<QCheckBox>(&dialog, name), Qt::LeftButton);
        }
        if (!shown.isEmpty()) {
            QCOMPARE(boxes.All().front().icon, MsgIcon::Question);
            QCOMPARE(boxes.All().front().buttons, MsgButtons::YesNo);
            QCOMPARE(boxes.All().front().title, QStringLiteral("Quillmotion"));
            QCOMPARE(boxes.All().back().icon, shown.size() > 1 ? MsgIcon::Information : MsgIcon::Question);
        }
        Child<QPushButton>(&dialog, qPrintable(button))->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(boxes.Texts(), shown);
        QCOMPARE(dialog.Dirty(), dirty);
        QCOMPARE(
            dialog.RunOnSystemStartup() << 2 | dialog.ConnectOnStartup() << 1 | dialog.CheckPortsOnStartup(),
            handed);
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
