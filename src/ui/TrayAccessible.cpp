#include "ui/TrayAccessible.h"

#include <QAccessibleObject>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include "ui/QtTrayIcon.h"

namespace qm {
namespace {

QtTrayIcon* TrayOf(const QSystemTrayIcon* icon) {
    return qobject_cast<QtTrayIcon*>(icon->parent());
}

class TrayIconInterface : public QAccessibleObject, public QAccessibleActionInterface {
public:
    explicit TrayIconInterface(QSystemTrayIcon* icon) : QAccessibleObject(icon) {}

    QWindow* window() const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(qApp); }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? Icon()->toolTip() : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !Icon()->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable();
        state.hasPopup = true;
        return state;
    }
    QRect rect() const override { return Icon()->geometry(); }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction(), showMenuAction()}; }
    QStringList keyBindingsForAction(const QString& /*action*/) const override { return {}; }
    void doAction(const QString& action) override {
        QtTrayIcon* tray = TrayOf(Icon());
        if (action == pressAction() && tray != nullptr && tray->OnDoubleClick) {
            tray->OnDoubleClick();
        } else if (action == showMenuAction() && Icon()->contextMenu() != nullptr) {
            // Where the icon is, or where the pointer is when the area does not say.
            const QRect at = Icon()->geometry();
            Icon()->contextMenu()->popup(at.isValid() ? at.center() : QCursor::pos());
        }
    }

private:
    QSystemTrayIcon* Icon() const { return static_cast<QSystemTrayIcon*>(object()); }
};

// Qt's application, with the program's tray icons and an open tray menu after its windows.
class ApplicationInterface : public QAccessibleApplication {
public:
    int childCount() const override { return QAccessibleApplication::childCount() + int(Added().size()); }
    QAccessibleInterface* child(int index) const override {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows) {
            return QAccessibleApplication::child(index);
        }
        const QObjectList added = Added();
        return index - windows < added.size() ? QAccessible::queryAccessibleInterface(added[index - windows])
                                              : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const int index = QAccessibleApplication::indexOfChild(child);
        if (index >= 0 || child == nullptr) {
            return index;
        }
        const int added = int(Added().indexOf(child->object()));
        return added < 0 ? -1 : QAccessibleApplication::childCount() + added;
    }

private:
    // Shown icons, then their open menus (a menu is a pop-up, which Qt leaves out too).
    static QObjectList Added() {
        QObjectList icons;
        QObjectList menus;
        for (const QtTrayIcon* tray : qApp->findChildren<QtTrayIcon*>(Qt::FindDirectChildrenOnly)) {
            for (QSystemTrayIcon* icon : tray->findChildren<QSystemTrayIcon*>()) {
                if (icon->isVisible()) {
                    icons << icon;
                }
                if (icon->contextMenu() != nullptr && icon->contextMenu()->isVisible()) {
                    menus << icon->contextMenu();
                }
            }
        }
        return icons + menus;
    }
};

}  // namespace

QAccessibleInterface* TrayInterface(const QString& className, QObject* object) {
    if (object == qApp && className == QLatin1String(QApplication::staticMetaObject.className())) {
        return new ApplicationInterface;
    }
    if (className == QLatin1String(QSystemTrayIcon::staticMetaObject.className()) &&
        TrayOf(static_cast<QSystemTrayIcon*>(object)) != nullptr) {
        return new TrayIconInterface(static_cast<QSystemTrayIcon*>(object));
    }
    return nullptr;
}

void TrayNameChanged(QObject* icon) {
    if (QAccessible::isActive()) {
        QAccessibleEvent event(icon, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

}  // namespace qm
