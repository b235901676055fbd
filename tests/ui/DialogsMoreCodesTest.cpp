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

using namespace qm;
using namespace qm::test;

namespace {

using Applied = std::function<std::int32_t(const SettingsRecord&)>;

// One edit in a dialog the window opens: a text for a box (a check box is clicked), the message
// OK shows (the dialog then stays open), and the window's state and the setting after Apply.
struct Edit {
    const char* opener;
    const char* control;
    const char* typed;
    const char* message;
    bool dirty;
    Applied applied;
    int expected;
};

}  // namespace

class DialogsMoreCodesTest : public QObject {
    Q_OBJECT

private slots:
    void editsBecomePendingAndApply() {
        const Applied lock = [](const SettingsRecord& s) { return s.LEFT_LOCK_ASCII(); };
        const Applied faster = [](const SettingsRecord& s) { return s.FASTER_ASCII(); };
        const char* const more = "cmdMoreCodes";
        const QString range = QStringLiteral(" ASCII Code must be a whole number between 0 and 255)");
        const std::vector<Edit> edits = {
            {more, "txtLeftLock", "20", "", true, lock, 20},
            {more, "txtFaster", "", "", false, faster, -1},  // an empty box is no code
            {more, "txtFaster", "256", "Faster", false, faster, -1},
            {more, "txtLeftLock", "x", "Left Button Lock", false, lock, -1},  // pasted past the key filter
            {"cmdMouseAdvanced", "chkAcceleration", "", "", true,
             [](const SettingsRecord& s) { return s.Acceleration(); }, 1},
            {"cmdStartupOptions", "chkReconnect", "", "", true,
             [](const SettingsRecord& s) { return s.ReconnectAutomatically(); }, 1},
        };
        for (const Edit& edit : edits) {
            const QString row = QStringLiteral("%1 %2 \"%3\"").arg(edit.opener, edit.control, edit.typed);
            WindowFixture f;
            // As a tree without the acceleration values loads.
            f.settings.AccelerationMaximum(4);
            f.settings.AccelerationTime(1000);
            f.window->Reset();
            f.Show();
            QStringList shown;
            QTimer::singleShot(0, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                SaveScreenshot(dialog, dialog->objectName());
                if (auto* box = dialog->findChild<QLineEdit*>(edit.control)) {
                    box->setText(QString::fromLatin1(edit.typed));
                } else {
                    QTest::mouseClick(dialog->findChild<QCheckBox*>(edit.control), Qt::LeftButton);
                }
                QTest::mouseClick(dialog->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
                shown = f.boxes.Texts();
                if (dialog->isVisible()) {
                    dialog->findChild<QPushButton*>("CancelButton")->click();
                }
            });
            f.Find<QPushButton>(edit.opener)->click();
            const QStringList message = *edit.message ? QStringList{edit.message + range} : QStringList();
            QVERIFY2(shown == message, qPrintable(row + ": " + shown.join(QLatin1Char('|'))));
            QVERIFY2(f.window->Dirty() == edit.dirty, qPrintable(row));
            f.Find<QPushButton>("cmdApply")->click();
            QVERIFY2(edit.applied(f.settings) == edit.expected, qPrintable(row));
        }
    }
};

QTEST_MAIN(DialogsMoreCodesTest)
#include "DialogsMoreCodesTest.moc"
