// "Mouse Movement : Advanced": what OK stores and when, the X/Y question, the bounce options,
// the speed test driven tick by tick, and boxes emptied before OK or a test.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "DialogScreenshots.h"
#include "ScriptedMessageBoxes.h"
#include "ui/Child.h"
#include "ui/common/UpDownControl.h"
#include "ui/frmMouseMovementAdvanced.h"

using qm::frmMouseMovementAdvanced;
using qm::MsgButtons;
using qm::MsgIcon;
using qm::MsgResult;
using qm::test::ScriptedMessageBoxes;

using qm::test::Child;

namespace {

const QString kQuestion = QStringLiteral(
    "X and Y increment values are not the same - this will result in erratic movement behaviour\r\n\r\n"
    "Are you sure you want to continue");

struct Opened {
    explicit Opened(qm::MovementTuning t) {
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
    int CursorLeft() { return Child<QLabel>(&dialog, "imgCursor")->x(); }
    bool CursorShown() { return Child<QLabel>(&dialog, "imgCursor")->isVisible(); }

    frmMouseMovementAdvanced dialog;
};

qm::MovementTuning Tuning(float delay, float x, float y, qint16 bouncy, qint16 angle) {
    return {delay, x, y, bouncy, angle};
}

}  // namespace

class DialogsAdvancedMovementTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qm::test::ApplyScreenshotFont();
    }

    void OpensWithTheGivenValuesAndStoresNothingWhenUnchanged() {
        ScriptedMessageBoxes boxes;
        Opened open(Tuning(2.5f, 3, 3, 1, 180));
        qm::test::SaveScreenshot(&open.dialog, QStringLiteral("frmMouseMovementAdvanced"));
        QCOMPARE(open.dialog.windowTitle(), QStringLiteral("Mouse Movement : Advanced"));
        QCOMPARE(open.Box("txtMovementDelay")->text(), QStringLiteral("2.5"));
        QCOMPARE(open.Box("txtXIncrement")->text(), QStringLiteral("3"));
        QVERIFY(Child<QCheckBox>(&open.dialog, "chkBouncyMouseEnabled")->isChecked());
        QVERIFY(Child<QRadioButton>(&open.dialog, "optBouncyMouse180Degrees")->isChecked());
        QVERIFY(Child<QRadioButton>(&open.dialog, "optBouncyMouse90Degrees")->isEnabled());
        QVERIFY(!Child<QLabel>(&open.dialog, "imgCursor")->isVisible());
        open.Press("OKButton");
        QVERIFY(!open.dialog.isVisible());
        QVERIFY(boxes.All().empty());
        QCOMPARE(open.dialog.MovementDelay(), 2.5f);
        QCOMPARE(open.dialog.BouncyMouseAngle(), qint16(180));
    }

    void ValuesShowAndReadBackInTheLocaleFormat() {
        struct GermanLocale {
            GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
            ~GermanLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
        } german;
        ScriptedMessageBoxes boxes;
        Opened open(Tuning(0.1f, 2.5f, 2.5f, 0, 90));
        QCOMPARE(open.Box("txtMovementDelay")->text(), QStringLiteral("0,1"));
        open.Press("OKButton");
        QVERIFY(boxes.All().empty());
        QVERIFY(!open.dialog.isVisible());
        QCOMPARE(open.dialog.MovementDelay(), 0.1f);
        QCOMPARE(open.dialog.MovementIncrementX(), 2.5f);
    }

    void UnequalIncrementTextsAskFirstAndNoKeepsTheDialogOpen() {
        ScriptedMessageBoxes boxes;
        {
            Opened open(Tuning(10, 2, 2, 0, 90));
            open.Box("txtXIncrement")->setText(QStringLiteral("3"));
            open.Box("txtYIncrement")->setText(QStringLiteral("3"));
            open.Press("OKButton");
            QVERIFY(boxes.All().empty());
            QVERIFY(!open.dialog.isVisible());
            QCOMPARE(open.dialog.MovementIncrementY(), 3.0f);
        }
        // Equal numbers, different texts: still asked.
        Opened open(Tuning(10, 2, 2, 0, 90));
        open.Box("txtXIncrement")->setText(QStringLiteral("3"));
        open.Box("txtYIncrement")->setText(QStringLiteral("03"));
        boxes.Answer(MsgResult::No);
        open.Press("OKButton");
        QCOMPARE(boxes.Texts(), QStringList{kQuestion});
        QCOMPARE(boxes.All().front().icon, MsgIcon::Question);
        QCOMPARE(boxes.All().front().buttons, MsgButtons::YesNo);
        QVERIFY(open.dialog.isVisible());
        QCOMPARE(open.Box("txtYIncrement")->text(), QStringLiteral("03"));
        QCOMPARE(open.dialog.MovementIncrementX(), 2.0f);

        boxes.Answer(MsgResult::Yes);
        open.Press("OKButton");
        QVERIFY(!open.dialog.isVisible());
        QCOMPARE(open.dialog.MovementIncrementX(), 3.0f);
        QCOMPARE(open.dialog.MovementIncrementY(), 3.0f);
        QCOMPARE(boxes.Unanswered(), 0);
    }

    void AngleChangeCountsOnlyWhileTheOptionsAreEnabled() {
        ScriptedMessageBoxes boxes;
        {
            // Ticked, 180 chosen, unticked again: the box is back as given, so nothing is stored.
            Opened open(Tuning(10, 2, 2, 0, 90));
            auto* check = Child<QCheckBox>(&open.dialog, "chkBouncyMouseEnabled");
            auto* opt180 = Child<QRadioButton>(&open.dialog, "optBouncyMouse180Degrees");
            QVERIFY(!opt180->isEnabled());
            QTest::mouseClick(check, Qt::LeftButton);
            QVERIFY(opt180->isEnabled());
            QTest::mouseClick(opt180, Qt::LeftButton);
            QCOMPARE(open.dialog.SelectedAngle(), qint16(180));
            QTest::mouseClick(check, Qt::LeftButton);
            QVERIFY(!opt180->isEnabled());
            open.Press("OKButton");
            QCOMPARE(open.dialog.BouncyMouse(), qint16(0));
            QCOMPARE(open.dialog.BouncyMouseAngle(), qint16(90));
        }
        {
            // Switching bouncy off with the angle changed: the box makes it a change, and the
            // chosen angle goes with it.
            Opened open(Tuning(10, 2, 2, 1, 90));
            QTest::mouseClick(Child<QRadioButton>(&open.dialog, "optBouncyMouse180Degrees"), Qt::LeftButton);
            QTest::mouseClick(Child<QCheckBox>(&open.dialog, "chkBouncyMouseEnabled"), Qt::LeftButton);
            open.Press("OKButton");
            QCOMPARE(open.dialog.BouncyMouse(), qint16(0));
            QCOMPARE(open.dialog.BouncyMouseAngle(), qint16(180));
        }
        QVERIFY(boxes.All().empty());
    }

    void AnAngleOf45OpensAs90ButStays45UntilAClick() {
        ScriptedMessageBoxes boxes;
        {
            Opened open(Tuning(10, 2, 2, 1, 45));
            QVERIFY(Child<QRadioButton>(&open.dialog, "optBouncyMouse90Degrees")->isChecked());
            QCOMPARE(open.dialog.SelectedAngle(), qint16(45));
            open.Box("txtMovementDelay")->setText(QStringLiteral("20"));  // a change elsewhere
            open.Press("OKButton");
            QCOMPARE(open.dialog.MovementDelay(), 20.0f);
            QCOMPARE(open.dialog.BouncyMouseAngle(), qint16(45));
        }
        {
            Opened open(Tuning(10, 2, 2, 1, 45));
            QTest::mouseClick(Child<QRadioButton>(&open.dialog, "optBouncyMouse90Degrees"), Qt::LeftButton);
            open.Press("OKButton");
            QCOMPARE(open.dialog.BouncyMouseAngle(), qint16(90));
        }
    }

    void SpeedTestStepsByTheXTextAndResetsAt270() {
        ScriptedMessageBoxes boxes;
        Opened open(Tuning(10, 2, 2, 0, 90));
        if (Child<QLabel>(&open.dialog, "lblSpeedTest")->width() > 330) {
            QSKIP("large text stretches the strip; SpeedTestRunsTheStretchedStrip covers that");
        }
        auto* timer = Child<QTimer>(&open.dialog, "tmrSpeedTest");
        QVERIFY(!timer->isActive());
        open.Box("txtMovementDelay")->setText(QStringLiteral("50"));
        open.Box("txtXIncrement")->setText(QStringLiteral("10"));
        open.Press("cmdTest");
        QCOMPARE(timer->interval(), 50);
        QVERIFY(timer->isActive());
        QVERIFY(open.CursorShown());
        QCOMPARE(open.CursorLeft(), 19);
        qm::test::SaveScreenshot(&open.dialog, QStringLiteral("frmMouseMovementAdvanced-test"));
        for (int tick = 1; tick <= 26; ++tick) {
            open.Tick();
            QCOMPARE(open.CursorLeft(), 19 + 10 * tick);
            QVERIFY(open.CursorShown());
        }
        open.Tick();  // the left edge has reached 270
        QCOMPARE(open.CursorLeft(), 19);
        QVERIFY(!open.CursorShown());
        QVERIFY(!timer->isActive());
        QVERIFY(!open.dialog.SpeedTestEnabled());
        // The Y increment plays no part, and the next test starts from the left again.
        open.Box("txtYIncrement")->setText(QStringLiteral("7"));
        open.Press("cmdTest");
        open.Tick();
        QCOMPARE(open.CursorLeft(), 29);
        // Pressing it during a test only sets the interval again.
        open.Box("txtMovementDelay")->setText(QStringLiteral("25"));
        open.Press("cmdTest");
        QCOMPARE(timer->interval(), 25);
        QCOMPARE(open.CursorLeft(), 29);
        QVERIFY(boxes.All().empty());
    }

    // Larger text stretches the strip: the test runs it to as near its right end as at the
    // strip's smallest width, instead of stopping at a fixed point part way along.
    void SpeedTestRunsTheStretchedStrip() {
        const QFont normal = QApplication::font();
        int gaps[2] = {};
        for (int scale : {1, 2}) {
            QFont font = normal;
            font.setPointSizeF(normal.pointSizeF() * scale);
            QApplication::setFont(font);
            Opened open(Tuning(50, 10, 10, 0, 90));
            QApplication::setFont(normal);
            open.Press("cmdTest");
            int furthest = 0;
            for (int tick = 0; tick < 1000 && open.CursorShown(); ++tick) {
                furthest = std::max(furthest, open.CursorLeft());
                open.Tick();
            }
            QVERIFY(!open.CursorShown());
            gaps[scale - 1] = Child<QLabel>(&open.dialog, "lblSpeedTest")->geometry().right() - furthest;
            QVERIFY2(scale == 1 || Child<QLabel>(&open.dialog, "lblSpeedTest")->width() > 330,
                     "not stretched");
        }
        QVERIFY2(
            gaps[1] <= gaps[0] + 10,
            qPrintable(QStringLiteral("%1 px short, %2 at the smallest width").arg(gaps[1]).arg(gaps[0])));
    }

    void ADelayOfZeroShowsTheCursorButNeverMovesIt() {
        Opened open(Tuning(0, 5, 5, 0, 90));
        open.Press("cmdTest");
        QVERIFY(open.CursorShown());
        QVERIFY(open.dialog.SpeedTestEnabled());
        QCOMPARE(open.dialog.SpeedTestInterval(), 0);
        QVERIFY(!Child<QTimer>(&open.dialog, "tmrSpeedTest")->isActive());
    }

    void EmptiedBoxesAreRefusedByNameAndTheDialogStays() {
        ScriptedMessageBoxes boxes;
        Opened open(Tuning(10, 2, 2, 0, 90));
        open.Box("txtYIncrement")->clear();
        open.Press("OKButton");
        QVERIFY(open.dialog.isVisible());
        QCOMPARE(boxes.Texts().size(), 1);
        QVERIFY(boxes.Texts().front().contains(QStringLiteral("Y Increment")));
        QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
        QCOMPARE(open.dialog.MovementIncrementY(), 2.0f);

        boxes.Clear();
        open.Box("txtYIncrement")->setText(QStringLiteral("2"));
        open.Box("txtMovementDelay")->clear();
        open.Press("cmdTest");
        QCOMPARE(boxes.Texts().size(), 1);
        QVERIFY(boxes.Texts().front().contains(QStringLiteral("Movement Delay")));
        QVERIFY(!open.dialog.SpeedTestEnabled());
        QVERIFY(!open.CursorShown());

        // The X increment emptied while a test runs: the test ends, and the user is told why.
        boxes.Clear();
        open.Box("txtMovementDelay")->setText(QStringLiteral("50"));
        open.Press("cmdTest");
        open.Tick();
        open.Box("txtXIncrement")->clear();
        open.Tick();
        QVERIFY(!open.dialog.SpeedTestEnabled());
        QVERIFY(!open.CursorShown());
        QCOMPARE(boxes.Texts().size(), 1);
        QVERIFY(boxes.Texts().front().contains(QStringLiteral("X Increment")));
        QVERIFY(open.dialog.isVisible());
    }

    void BoxesTakeThreeDigitsAndTheSpinsStepWithinTheirLimits() {
        Opened open(Tuning(495, 9, 1, 0, 90));
        auto* delay = open.Box("txtMovementDelay");
        delay->setFocus();
        delay->setCursorPosition(3);
        QTest::keyClick(delay, Qt::Key_Backspace);
        QTest::keyClick(delay, Qt::Key_A);
        QTest::keyClick(delay, Qt::Key_7);  // a fourth character
        QCOMPARE(delay->text(), QStringLiteral("495"));
        delay->setSelection(0, 1);
        QTest::keyClick(delay, Qt::Key_9);
        QCOMPARE(delay->text(), QStringLiteral("995"));  // typed values go up to 999

        auto stepUp = [&](const char* name) {
            QTest::mouseClick(Child<qm::UpDownControl>(&open.dialog, name)->findChild<QToolButton*>("up"),
                              Qt::LeftButton);
        };
        auto stepDown = [&](const char* name) {
            QTest::mouseClick(Child<qm::UpDownControl>(&open.dialog, name)->findChild<QToolButton*>("down"),
                              Qt::LeftButton);
        };
        delay->setText(QStringLiteral("495"));
        stepUp("updDelay");
        QCOMPARE(delay->text(), QStringLiteral("500"));
        stepUp("updDelay");
        QCOMPARE(delay->text(), QStringLiteral("500"));
        stepUp("updXIncrement");
        stepUp("updXIncrement");
        QCOMPARE(open.Box("txtXIncrement")->text(), QStringLiteral("10"));
        stepDown("updYIncrement");
        QCOMPARE(open.Box("txtYIncrement")->text(), QStringLiteral("1"));

        // A stored value longer than three characters is shown whole, not cut.
        Opened stored(Tuning(1250, 2.25f, 2.25f, 0, 90));
        QCOMPARE(stored.Box("txtMovementDelay")->text(), QStringLiteral("1250"));
        QCOMPARE(stored.Box("txtXIncrement")->text(), QStringLiteral("2.25"));
    }

    void CancelAndEditHandBackWhatWasGiven() {
        ScriptedMessageBoxes boxes;
        {
            Opened open(Tuning(10, 2, 2, 0, 90));
            open.Box("txtMovementDelay")->setText(QStringLiteral("300"));
            QTest::mouseClick(Child<QCheckBox>(&open.dialog, "chkBouncyMouseEnabled"), Qt::LeftButton);
            open.Press("CancelButton");
            QVERIFY(!open.dialog.isVisible());
            QCOMPARE(open.dialog.MovementDelay(), 10.0f);
            QCOMPARE(open.dialog.BouncyMouse(), qint16(0));
        }
        QWidget owner;
        owner.show();
        qm::MovementTuning tuning = Tuning(10, 2, 2, 1, 90);
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<frmMouseMovementAdvanced*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            Child<QLineEdit>(dialog, "txtMovementDelay")->setText(QStringLiteral("300"));
            Child<QPushButton>(dialog, "CancelButton")->click();
        });
        QVERIFY(!frmMouseMovementAdvanced::Edit(&owner, tuning));
        QCOMPARE(tuning.MovementDelay, 10.0f);

        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<frmMouseMovementAdvanced*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            Child<QLineEdit>(dialog, "txtYIncrement")->setText(QStringLiteral("4"));
            Child<QLineEdit>(dialog, "txtXIncrement")->setText(QStringLiteral("4"));
            Child<QRadioButton>(dialog, "optBouncyMouse180Degrees")->click();
            Child<QPushButton>(dialog, "OKButton")->click();
        });
        QVERIFY(frmMouseMovementAdvanced::Edit(&owner, tuning));
        QCOMPARE(tuning.MovementIncrementX, 4.0f);
        QCOMPARE(tuning.MovementIncrementY, 4.0f);
        QCOMPARE(tuning.BouncyMouseAngle, qint16(180));
        QCOMPARE(tuning.MovementDelay, 10.0f);
        QVERIFY(boxes.All().empty());
    }
};

QTEST_MAIN(DialogsAdvancedMovementTest)
#include "DialogsAdvancedMovementTest.moc"
