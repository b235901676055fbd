// "More codes...", "Advanced..."'s acceleration and "Startup..."'s reconnecting, through the
// Properties window: each edit becomes pending, Apply stores it, and a bad code keeps the dialog
// open with its message.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <tuple>
#include <vector>

#include "WindowFixture.h"

using namespace qm;
using namespace qm::test;

class DialogsMoreCodesTest : public QObject {
    Q_OBJECT

private slots:
    // One edit in a dialog the window opens: a text for a box (a check box is clicked), the
    // message OK shows (the dialog then stays open), and the window's state and the setting
    // after Apply.
    void editsBecomePendingAndApply() {
        const QString range = QStringLiteral(" ASCII Code must be a whole number between 0 and 255)");
        const char* const more = "cmdMoreCodes";
        using A = AddedValues;
        using Edit =
            std::tuple<const char*, const char*, const char*, const char*, bool, std::int16_t A::*, int>;
        for (const auto& [opener, control, typed, message, dirty, field, expected] : std::vector<Edit>{
                 {more, "txtLeftLock", "20", "", true, &A::LEFT_LOCK_ASCII, 20},
                 {more, "txtFaster", "", "", false, &A::FASTER_ASCII, -1},  // an empty box is no code
                 {more, "txtFaster", "256", "Faster", false, &A::FASTER_ASCII, -1},
                 {more, "txtLeftLock", "x", "Left Button Lock", false, &A::LEFT_LOCK_ASCII, -1},  // pasted
                 {"cmdMouseAdvanced", "chkAcceleration", "", "", true, &A::Acceleration, 1},
                 {"cmdStartupOptions", "chkReconnect", "", "", true, &A::ReconnectAutomatically, 1},
             }) {
            const QString row = QStringLiteral("%1 %2 \"%3\"").arg(opener, control, typed);
            WindowFixture f;
            // As a tree without the acceleration values loads.
            f.settings.AccelerationMaximum(4);
            f.settings.AccelerationTime(1000);
            f.window->Reset();
            f.Show();
            QStringList shown;
            QTimer::singleShot(0, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                if (auto* box = dialog->findChild<QLineEdit*>(control)) {
                    box->setText(QString::fromLatin1(typed));
                } else {
                    QTest::mouseClick(dialog->findChild<QCheckBox*>(control), Qt::LeftButton);
                }
                QTest::mouseClick(dialog->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
                shown = f.boxes.Texts();
                if (dialog->isVisible()) {
                    dialog->findChild<QPushButton*>("CancelButton")->click();
                }
            });
            f.Find<QPushButton>(opener)->click();
            const QStringList wanted = *message ? QStringList{message + range} : QStringList();
            QVERIFY2(shown == wanted, qPrintable(row + ": " + shown.join(QLatin1Char('|'))));
            QVERIFY2(f.window->Dirty() == dirty, qPrintable(row));
            f.Find<QPushButton>("cmdApply")->click();
            QVERIFY2(AddedValues::From(f.settings).*field == expected, qPrintable(row));
        }
    }
};

QTEST_MAIN(DialogsMoreCodesTest)
#include "DialogsMoreCodesTest.moc"
