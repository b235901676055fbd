#pragma once

class QAccessibleInterface;
class QObject;
class QString;

namespace qm {

// How assistive tools see the notification-area icon, which Qt leaves out of the program's tree
// (an icon embedded in the notification area is no top-level window to it): the application
// lists each icon of a QtTrayIcon it holds, and the icon's menu while it is open. The icon is a
// button named with the state its tip says; pressing it opens the Properties window as a
// double-click does, and "show menu" opens its menu.
//
// For the accessible-interface factory: the interface for object, or nullptr when it is not the
// application or a tray icon.
QAccessibleInterface* TrayInterface(const QString& className, QObject* object);

// Tells assistive tools that the icon's name (its tip) has changed.
void TrayNameChanged(QObject* icon);

}  // namespace qm
