// "More codes...", "Advanced..."'s acceleration and "Startup..."'s reconnecting, through the
// Properties window: each edit becomes pending, Apply stores it and nothing else, and a bad code
// keeps the dialog open with its message.
#include <QCheckBox>

#include "ui/Child.h"
#include "ui/WindowFixture.h"

using namespace qm;
using namespace qm::test;

class DialogsMoreCodesTest : public QObject {
    Q_OBJECT

private slots:
    void editsBecomePendingAndApply_data() {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("control");  // a box is given the text; a check box is clicked
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");  // the code OK names as bad (the dialog stays open)
        QTest::addColumn<QString>("changed");  // the setting Apply changes, if any
        const auto row = [](const char* opener, const char* control, const char* typed, const char* message,
                            const char* changed) {
            QTest::addRow("%s %s \"%s\"", opener, control, typed)
                << opener << control << typed << message << changed;
        };
        row("cmdMoreCodes", "txtLeftLock", "20", "", "LEFT_LOCK_ASCII=20");
        row("cmdMoreCodes", "txtFaster", "", "", "");  // an empty box is no code
        row("cmdMoreCodes", "txtFaster", "256", "Faster", "");
        row("cmdMoreCodes", "txtLeftLock", "x", "Left Button Lock", "");  // pasted
        row("cmdMouseAdvanced", "chkAcceleration", "", "", "Acceleration=1");
        row("cmdStartupOptions", "chkReconnect", "", "", "ReconnectAutomatically=0");  // on before
    }

    void editsBecomePendingAndApply() {
        QFETCH(QString, opener);
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, changed);
        WindowFixture f;
        QStringList shown;
        WhenModal([&](QDialog* dialog) {
            if (auto* box = dialog->findChild<QLineEdit*>(control)) {
                box->setText(typed);
            } else {
                QTest::mouseClick(Child<QCheckBox>(dialog, qPrintable(control)), Qt::LeftButton);
            }
            QTest::mouseClick(Child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
            shown = f.boxes.Texts();
        });
        f.Click(qPrintable(opener));
        QCOMPARE(shown, message.isEmpty()
                            ? QStringList()
                            : QStringList{message + " ASCII Code must be a whole number between 0 "
                                                    "and 255)"});
        QCOMPARE(f.window->Dirty(), !changed.isEmpty());
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
};

QTEST_MAIN(DialogsMoreCodesTest)
#include "DialogsMoreCodesTest.moc"
