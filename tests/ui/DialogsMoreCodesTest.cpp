// "More codes...", "Advanced..."'s acceleration and "Startup..."'s reconnecting, through the
// Properties window: each edit becomes pending, Apply stores it and nothing else, and a bad code
// keeps the dialog open with its message.
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
    // message OK shows (the dialog then stays open), and the setting Apply changes, if any.
    void editsBecomePendingAndApply() {
        const QString range = QStringLiteral(" ASCII Code must be a whole number between 0 and 255)");
        const char* const more = "cmdMoreCodes";
        using Edit = std::tuple<const char*, const char*, const char*, const char*, const char*>;
        for (const auto& [opener, control, typed, message, changed] : std::vector<Edit>{
                 {more, "txtLeftLock", "20", "", "LEFT_LOCK_ASCII=20"},
                 {more, "txtFaster", "", "", ""},  // an empty box is no code
                 {more, "txtFaster", "256", "Faster", ""},
                 {more, "txtLeftLock", "x", "Left Button Lock", ""},  // pasted
                 {"cmdMouseAdvanced", "chkAcceleration", "", "", "Acceleration=1"},
                 {"cmdStartupOptions", "chkReconnect", "", "", "ReconnectAutomatically=0"},  // on before
             }) {
            const QString row = QStringLiteral("%1 %2 \"%3\"").arg(opener, control, typed);
            WindowFixture f;
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
            QVERIFY2(f.window->Dirty() == (*changed != 0), qPrintable(row));
            f.Find<QPushButton>("cmdApply")->click();
            SettingsRecord installed;
            FillDefaultSettings(installed);
            std::string stored;  // the settings Apply changed
            for (const layout::Setting& setting : layout::Settings()) {
                const std::string value = layout::Value(setting, f.settings).ToText();
                stored += value == layout::Value(setting, installed).ToText()
                              ? ""
                              : setting.valueName + ("=" + value);
            }
            QVERIFY2(stored == changed, qPrintable(row + ": " + QString::fromStdString(stored)));
        }
    }
};

QTEST_MAIN(DialogsMoreCodesTest)
#include "DialogsMoreCodesTest.moc"
