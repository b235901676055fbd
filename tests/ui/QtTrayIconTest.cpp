// The notification-area icon over QSystemTrayIcon: its menu, its tip and its callbacks.

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

#include "ui/Pictures.h"
#include "ui/QtTrayIcon.h"

using namespace qm;

class QtTrayIconTest : public QObject {
    Q_OBJECT

private slots:
    void menuHoldsExitThenProperties();
    void tipKeepsItsLinesAndNeedsTheIcon();
};

void QtTrayIconTest::menuHoldsExitThenProperties() {
    QtTrayIcon tray(ApplicationIcon());
    QMenu* menu = tray.mnuFile();
    QCOMPARE(menu->objectName(), QStringLiteral("mnuFile"));
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->objectName(), QStringLiteral("mnuFileExit"));
    QCOMPARE(actions[1]->objectName(), QStringLiteral("mnuFileProperties"));

    int exits = 0;
    int properties = 0;
    int doubleClicks = 0;
    tray.OnExit = [&] { ++exits; };
    tray.OnProperties = [&] { ++properties; };
    tray.OnDoubleClick = [&] { ++doubleClicks; };
    actions[1]->trigger();
    QCOMPARE(properties, 1);
    QCOMPARE(exits, 0);
    actions[0]->trigger();
    QCOMPARE(exits, 1);

    // Only a double-click restores; a single click does nothing.
    auto* icon = tray.findChild<QSystemTrayIcon*>(QStringLiteral("trayIcon"));
    QVERIFY(icon != nullptr);
    QCOMPARE(icon->contextMenu(), menu);
    emit icon->activated(QSystemTrayIcon::Trigger);
    QCOMPARE(doubleClicks, 0);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    QCOMPARE(doubleClicks, 1);
}

void QtTrayIconTest::tipKeepsItsLinesAndNeedsTheIcon() {
    QtTrayIcon tray(ApplicationIcon());
    auto* icon = tray.findChild<QSystemTrayIcon*>(QStringLiteral("trayIcon"));
    QVERIFY(!tray.Modify("Quillmotion Enabled\r\nNot Connected"));
    QVERIFY(tray.Add("Quillmotion Enabled"));
    QCOMPARE(icon->toolTip(), QStringLiteral("Quillmotion Enabled"));
    const std::string connected = "Quillmotion Enabled\r\nConnected to COM7: at 2400\r\n12 bytes received";
    QVERIFY(tray.Modify(connected));
    // The whole text, past the old 64-character field, one line per line.
    QCOMPARE(tray.Tip(), connected);
    // The icon shows it once the event loop turns.
    QTRY_COMPARE(icon->toolTip(),
                 QStringLiteral("Quillmotion Enabled\nConnected to COM7: at 2400\n12 bytes received"));
    tray.Delete();
    QVERIFY(!icon->isVisible());
    QVERIFY(!tray.Modify("Quillmotion Enabled\r\nNot Connected"));
}

QTEST_MAIN(QtTrayIconTest)
#include "QtTrayIconTest.moc"
