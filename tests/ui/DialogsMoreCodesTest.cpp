// "More codes...", "Advanced..."'s acceleration and "Startup..."'s reconnecting, through the
// Properties window: each edit becomes pending, Apply stores it, and a bad code keeps the dialog
// open with its message.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <vector>

#include "DialogScreenshots.h"
#include "WindowFixture.h"
#include "ui/frmMoreCodes.h"
#include "ui/frmMouseMovementAdvanced.h"
#include "ui/frmStartupOptions.h"

using namespace qm;
using namespace qm::test;

Q_DECLARE_METATYPE(std::function<std::int32_t(const SettingsRecord&)>)

class DialogsMoreCodesTest : public QObject {
    Q_OBJECT

private slots:
    void editsBecomePendingAndApply_data();
    void editsBecomePendingAndApply();
};

using Applied = std::function<std::int32_t(const SettingsRecord&)>;

void DialogsMoreCodesTest::editsBecomePendingAndApply_data() {
    QTest::addColumn<QString>("opener");   // the window's button
    QTest::addColumn<QString>("control");  // what is changed in its dialog
    QTest::addColumn<QString>("typed");    // text for a box; a check box is clicked
    QTest::addColumn<QString>("message");  // the message OK shows (the dialog stays open)
    QTest::addColumn<bool>("dirty");
    QTest::addColumn<Applied>("applied");
    QTest::addColumn<int>("expected");  // the setting after Apply

    struct Row {
        const char* name;
        const char* opener;
        const char* control;
        const char* typed;
        const char* message;
        bool dirty;
        Applied applied;
        int expected;
    };
    const Applied lock = [](const SettingsRecord& s) { return s.LEFT_LOCK_ASCII(); };
    const Applied faster = [](const SettingsRecord& s) { return s.FASTER_ASCII(); };
    const char* const more = "cmdMoreCodes";
    const char* const range = " ASCII Code must be a whole number between 0 and 255)";
    const std::vector<Row> rows = {
        {"a code", more, "txtLeftLock", "20", "", true, lock, 20},
        {"code 0", more, "txtSlower", "0", "", true, [](const SettingsRecord& s) { return s.SLOWER_ASCII(); },
         0},
        {"an empty box is no code", more, "txtFaster", "", "", false, faster, -1},
        {"256", more, "txtFaster", "256", "Faster", false, faster, -1},
        {"a pasted letter", more, "txtLeftLock", "x", "Left Button Lock", false, lock, -1},
        {"acceleration on", "cmdMouseAdvanced", "chkAcceleration", "", "", true,
         [](const SettingsRecord& s) { return s.Acceleration(); }, 1},
        {"top speed, kept while acceleration is off", "cmdMouseAdvanced", "txtAccelerationMaximum", "9", "",
         false, [](const SettingsRecord& s) { return s.AccelerationMaximum(); }, 4},
        {"reconnecting on", "cmdStartupOptions", "chkReconnect", "", "", true,
         [](const SettingsRecord& s) { return s.ReconnectAutomatically(); }, 1},
    };
    for (const Row& row : rows) {
        const QString message =
            *row.message ? QString::fromLatin1(row.message) + QLatin1String(range) : QString();
        QTest::newRow(row.name) << QString::fromLatin1(row.opener) << QString::fromLatin1(row.control)
                                << QString::fromLatin1(row.typed) << message << row.dirty << row.applied
                                << row.expected;
    }
}

void DialogsMoreCodesTest::editsBecomePendingAndApply() {
    QFETCH(QString, opener);
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(bool, dirty);
    QFETCH(Applied, applied);
    QFETCH(int, expected);

    WindowFixture f;
    // As a tree without the acceleration values loads.
    f.settings.AccelerationMaximum(4);
    f.settings.AccelerationTime(1000);
    f.window->Reset();
    f.Show();
    QStringList shown;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog != nullptr);
        SaveScreenshot(dialog, dialog->objectName());
        if (auto* box = dialog->findChild<QLineEdit*>(control)) {
            box->setText(typed);  // as pasted: the key filter is the common editors'
        } else {
            QTest::mouseClick(dialog->findChild<QCheckBox*>(control), Qt::LeftButton);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        shown = f.boxes.Texts();
        if (dialog->isVisible()) {
            dialog->findChild<QPushButton*>("CancelButton")->click();
        }
    });
    f.Find<QPushButton>(opener.toLatin1().constData())->click();

    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.window->Dirty(), dirty);
    f.Find<QPushButton>("cmdApply")->click();
    QCOMPARE(applied(f.settings), expected);
}

QTEST_MAIN(DialogsMoreCodesTest)
#include "DialogsMoreCodesTest.moc"
