// Pictures of the Properties window, one per tab, for a person to look at. Written only when
// QM_SCREENSHOT_DIR names a folder (scripts/screenshots runs this under Xvfb).

#include <QGroupBox>
#include <QTabWidget>
#include <QTest>

#include "ui/CharacterTranslationTool.h"
#include "ui/DialogScreenshots.h"
#include "ui/MouseCodesPanel.h"
#include "ui/WindowFixture.h"

using namespace qm;
using namespace qm::test;

class FrmSerialScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void eachTab();
};

void FrmSerialScreenshotTest::eachTab() {
    ApplyScreenshotFont();
    WindowFixture f;
    QVERIFY(f.Find<CharacterTranslationTool>("fraCharacterTranslation") != nullptr);
    QVERIFY(f.window->findChild<CompassCodesPanel*>() != nullptr);
    QVERIFY(f.window->findChild<ButtonCodesPanel*>() != nullptr);
    f.Show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    // A connected window that has seen a few characters, with an edit pending.
    f.window->cmdOpenPort_Click();
    f.serial.Deliver("Hello");
    WindowFixture::Choose(f.Combo("cboParity"), "Even");
    auto* tabs = f.Find<QTabWidget>("sstMain");
    const char* names[] = {"general", "diagnostics", "mouse", "emulation"};
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QCoreApplication::processEvents();
        QVERIFY(tabs->currentWidget()->isVisible());
        SaveScreenshot(f.window.get(),
                       QStringLiteral("frmSerial-%1-%2").arg(i + 1).arg(QLatin1String(names[i])));
    }
    f.window->Form_Unload();
}

QTEST_MAIN(FrmSerialScreenshotTest)
#include "FrmSerialScreenshotTest.moc"
