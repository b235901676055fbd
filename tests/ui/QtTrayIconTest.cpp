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
    // Exit then Properties in the icon's menu; only a double-click restores, a single click does nothing.
    void menuAndClicks() {
        QtTrayIcon tray(ApplicationIcon());
        auto* icon = tray.findChild<QSystemTrayIcon*>(QStringLiteral("trayIcon"));
        QVERIFY(icon != nullptr);
        QCOMPARE(icon->contextMenu(), tray.mnuFile());
        QString calls;
        tray.OnExit = [&] { calls += "exit "; };
        tray.OnProperties = [&] { calls += "properties "; };
        tray.OnDoubleClick = [&] { calls += "restore "; };
        QString names = tray.mnuFile()->objectName();
        for (QAction* action : tray.mnuFile()->actions()) {
            names += " " + action->objectName();
            action->trigger();
        }
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(names, QStringLiteral("mnuFile mnuFileExit mnuFileProperties"));
        QCOMPARE(calls, QStringLiteral("exit properties restore "));
    }

    void tipKeepsItsLinesAndNeedsTheIcon() {
        QtTrayIcon tray(ApplicationIcon());
        auto* icon = tray.findChild<QSystemTrayIcon*>(QStringLiteral("trayIcon"));
        QVERIFY(!tray.Modify("Quillmotion Enabled\r\nNot Connected"));
        QVERIFY(tray.Add("Quillmotion Enabled"));
        QCOMPARE(icon->toolTip(), QStringLiteral("Quillmotion Enabled"));
        // The whole text, past the old 64-character field, one line per line, once the event loop turns.
        const std::string connected =
            "Quillmotion Enabled\r\nConnected to COM7: at 2400\r\n12 bytes received";
        QVERIFY(tray.Modify(connected));
        QCOMPARE(tray.Tip(), connected);
        QTRY_COMPARE(icon->toolTip(), QString::fromStdString(connected).replace("\r\n", "\n"));
        tray.Delete();
        QVERIFY(!icon->isVisible());
        QVERIFY(!tray.Modify("Quillmotion Enabled\r\nNot Connected"));
    }
};

QTEST_MAIN(QtTrayIconTest)
#include "QtTrayIconTest.moc"
