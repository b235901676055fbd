// Pictures of the Properties window, one per tab (with the Mouse tab's panels and the translation
// tool), and of every dialog, for a person to look at.
// Written only when QM_SCREENSHOT_DIR names a folder (scripts/screenshots runs this under Xvfb);
// QM_SCREENSHOT_POINT_SIZE sets a larger application font first, to look at large text.

#include "ui/ExitQuestion.h"
#include "ui/HelpGuide.h"
#include "ui/WindowFixture.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmAbout.h"
#include "ui/frmHelp.h"
#include "ui/frmMoreCodes.h"
#include "ui/frmMouseClickASCIIValue.h"
#include "ui/frmMouseMovementAdvanced.h"
#include "ui/frmStartupOptions.h"

using namespace qm;
using namespace qm::test;

namespace {

const int kPointSize = qEnvironmentVariableIntValue("QM_SCREENSHOT_POINT_SIZE");

void Save(QWidget* widget, const QString& name) {
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget));
    const QString folder = qEnvironmentVariable("QM_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        const QString suffix = kPointSize > 0 ? QStringLiteral("-%1pt").arg(kPointSize) : QString();
        QVERIFY(widget->grab().save(QDir(folder).filePath(name + suffix + QStringLiteral(".png"))));
    }
}

}  // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (kPointSize > 0) {
            QFont font = QApplication::font();
            font.setPointSize(kPointSize);
            QApplication::setFont(font);
        }
        QDir().mkpath(qEnvironmentVariable("QM_SCREENSHOT_DIR", QStringLiteral(".")));
    }

    // A connected window that has seen a few characters, with an edit pending.
    void properties() {
        WindowFixture f;
        f.window->cmdOpenPort_Click();
        f.serial.Deliver("Hello");
        f.Choose("cboParity", "Even");
        auto* tabs = f.Find<QTabWidget>("sstMain");
        const char* names[] = {"general", "diagnostics", "mouse", "emulation"};
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            Save(f.window.get(), QStringLiteral("frmSerial-%1-%2").arg(i + 1).arg(QLatin1String(names[i])));
        }
        f.window->Form_Unload();
    }

    // Each dialog as it opens; the movement dialog also with its speed test running.
    void dialogs() {
        frmAbout about(nullptr);
        frmStartupOptions startup;
        frmMoreCodes more;
        frmMouseMovementAdvanced movement;
        movement.MovementDelay(10);
        movement.MovementIncrementX(2);
        movement.MovementIncrementY(2);
        frmASCIIValue code;
        code.ASCIIValue(5);
        code.TitleText(QStringLiteral("NE Mouse Movement"));
        frmMouseClickASCIIValue clicks;
        clicks.TitleText(QStringLiteral("Right Button"));
        frmHelp help(GuidePlaces(QCoreApplication::applicationDirPath()));
        for (QWidget* dialog :
             std::initializer_list<QWidget*>{&about, &startup, &more, &movement, &code, &clicks, &help}) {
            Save(dialog, dialog->objectName());
            dialog->hide();
        }
        Child<QPushButton>(&movement, "cmdTest")->click();
        Save(&movement, QStringLiteral("frmMouseMovementAdvanced-test"));

        QWidget owner;
        ExitQuestion exit(&owner);
        exit.Ask();
        Save(Child<QMessageBox>(&owner, "ExitQuestion"), QStringLiteral("ExitQuestion"));
    }
};

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
