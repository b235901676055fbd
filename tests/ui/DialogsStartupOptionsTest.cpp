// "Startup Options:": the run-at-log-on question word for word, No unticking the box, and what OK,
// Cancel and Dirty hand back.
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include "DialogScreenshots.h"
#include "ScriptedMessageBoxes.h"
#include "ui/Child.h"
#include "ui/frmStartupOptions.h"

using qm::frmStartupOptions;
using qm::MsgButtons;
using qm::MsgIcon;
using qm::MsgResult;
using qm::test::ScriptedMessageBoxes;

using qm::test::Child;

namespace {

const QString kQuestion = QStringLiteral(
    "This option will add the application to the system startup sequence.  \r\n"
    "To fully use this feature, you should ensure that 'Connect on App Startup' is also selected.\r\n"
    "This will start the application to enable log on via Quillmotion.\r\n"
    "\r\n"
    "NB: This should only be used when Port settings are known and will not change from logon to logon.\r\n"
    "Are you sure you want to continue?");
const QString kRestart =
    QStringLiteral("This change will take effect the next time you restart your computer");

void Open(frmStartupOptions& dialog, int run, int connect, int check) {
    dialog.RunOnSystemStartup(run);
    dialog.ConnectOnStartup(connect);
    dialog.CheckPortsOnStartup(check);
    dialog.show();
}

}  // namespace

class DialogsStartupOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qm::test::ApplyScreenshotFont(); }

    void OpensWithTheGivenValuesAndAsksNothing() {
        ScriptedMessageBoxes boxes;
        frmStartupOptions dialog;
        Open(dialog, 1, 0, 1);
        qm::test::SaveScreenshot(&dialog, QStringLiteral("frmStartupOptions"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Startup Options:"));
        QVERIFY(Child<QCheckBox>(&dialog, "chkStartOnSystemStartup")->isChecked());
        QVERIFY(!Child<QCheckBox>(&dialog, "chkAutoConnect")->isChecked());
        QVERIFY(Child<QCheckBox>(&dialog, "chkTestPorts")->isChecked());
        QVERIFY(boxes.All().empty());

        // OK without changes: Dirty stays false and the values come back as given.
        Child<QPushButton>(&dialog, "OKButton")->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.Dirty());
        QCOMPARE(dialog.RunOnSystemStartup(), 1);
        QCOMPARE(dialog.ConnectOnStartup(), 0);
        QCOMPARE(dialog.CheckPortsOnStartup(), 1);
    }

    void TickingRunAsksAndNoUnticksTheBox() {
        ScriptedMessageBoxes boxes;
        frmStartupOptions dialog;
        Open(dialog, 0, 1, 0);
        auto* run = Child<QCheckBox>(&dialog, "chkStartOnSystemStartup");
        boxes.Answer(MsgResult::No);
        QTest::mouseClick(run, Qt::LeftButton);
        QCOMPARE(boxes.Texts(), QStringList{kQuestion});
        QCOMPARE(boxes.All().front().icon, MsgIcon::Question);
        QCOMPARE(boxes.All().front().buttons, MsgButtons::YesNo);
        QCOMPARE(boxes.All().front().title, QStringLiteral("Quillmotion"));
        QVERIFY(!run->isChecked());
        Child<QPushButton>(&dialog, "OKButton")->click();
        QCOMPARE(dialog.RunOnSystemStartup(), 0);
        QVERIFY(!dialog.Dirty());
        QCOMPARE(boxes.All().size(), std::size_t{1});
    }

    void YesShowsTheRestartNoticeAndOkMarksDirty() {
        ScriptedMessageBoxes boxes;
        frmStartupOptions dialog;
        Open(dialog, 0, 1, 0);
        boxes.Answer(MsgResult::Yes);
        QTest::mouseClick(Child<QCheckBox>(&dialog, "chkStartOnSystemStartup"), Qt::LeftButton);
        QCOMPARE(boxes.Texts(), (QStringList{kQuestion, kRestart}));
        QCOMPARE(boxes.All().back().icon, MsgIcon::Information);
        QCOMPARE(boxes.All().back().buttons, MsgButtons::OK);
        // Unticking asks nothing.
        QTest::mouseClick(Child<QCheckBox>(&dialog, "chkTestPorts"), Qt::LeftButton);
        QCOMPARE(boxes.All().size(), std::size_t{2});
        Child<QPushButton>(&dialog, "OKButton")->click();
        QVERIFY(dialog.Dirty());
        QCOMPARE(dialog.RunOnSystemStartup(), 1);
        QCOMPARE(dialog.CheckPortsOnStartup(), 1);
        QCOMPARE(dialog.ConnectOnStartup(), 1);
    }

    void CancelDiscardsTheChangesAndClearsDirty() {
        ScriptedMessageBoxes boxes;
        frmStartupOptions dialog;
        Open(dialog, 0, 0, 1);
        boxes.Answer(MsgResult::Yes);
        QTest::mouseClick(Child<QCheckBox>(&dialog, "chkStartOnSystemStartup"), Qt::LeftButton);
        QTest::mouseClick(Child<QCheckBox>(&dialog, "chkAutoConnect"), Qt::LeftButton);
        Child<QPushButton>(&dialog, "CancelButton")->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.Dirty());
        QCOMPARE(dialog.RunOnSystemStartup(), 0);
        QCOMPARE(dialog.ConnectOnStartup(), 0);
        QCOMPARE(dialog.CheckPortsOnStartup(), 1);
    }
};

QTEST_MAIN(DialogsStartupOptionsTest)
#include "DialogsStartupOptionsTest.moc"
