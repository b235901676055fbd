// Pictures of the Properties window, one per tab (with the Mouse tab's panels and the translation
// tool), and of every dialog, for a person to look at.
// Written only when QM_SCREENSHOT_DIR names a folder (scripts/screenshots runs this under Xvfb);
// QM_SCREENSHOT_POINT_SIZE sets a larger application font first, to look at large text.

#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <memory>

#include "ui/WindowFixture.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmAbout.h"
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

const std::vector<std::pair<const char*, std::function<std::unique_ptr<QWidget>()>>> kDialogs = {
    {"frmAbout", [] { return std::make_unique<frmAbout>(nullptr); }},
    {"frmStartupOptions", [] { return std::make_unique<frmStartupOptions>(); }},
    {"frmMoreCodes", [] { return std::make_unique<frmMoreCodes>(); }},
    {"frmMouseMovementAdvanced",
     [] {
         auto dialog = std::make_unique<frmMouseMovementAdvanced>();
         dialog->MovementDelay(10);
         dialog->MovementIncrementX(2);
         dialog->MovementIncrementY(2);
         return dialog;
     }},
    {"frmASCIIValue",
     [] {
         auto dialog = std::make_unique<frmASCIIValue>();
         dialog->ASCIIValue(5);
         dialog->TitleText(QStringLiteral("NE Mouse Movement"));
         return dialog;
     }},
    {"frmMouseClickASCIIValue",
     [] {
         auto dialog = std::make_unique<frmMouseClickASCIIValue>();
         dialog->TitleText(QStringLiteral("Right Button"));
         return dialog;
     }},
};

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
        f.Show();
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

    void dialogs_data() {
        QTest::addColumn<int>("dialog");
        for (std::size_t i = 0; i < kDialogs.size(); ++i) {
            QTest::newRow(kDialogs[i].first) << static_cast<int>(i);
        }
    }
    void dialogs() {
        QFETCH(int, dialog);
        const auto& [name, make] = kDialogs[static_cast<std::size_t>(dialog)];
        const std::unique_ptr<QWidget> widget = make();
        Save(widget.get(), QString::fromLatin1(name));
        if (auto* test = widget->findChild<QPushButton*>("cmdTest")) {  // the speed test running
            test->click();
            Save(widget.get(), QString::fromLatin1(name) + QStringLiteral("-test"));
        }
    }
};

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
