#include "ui/AccessibleInterfaces.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QLineEdit>

#include "ui/TrayAccessible.h"
#include "ui/frmAbout.h"
#include "ui/frmSerial.h"

namespace qm {
namespace {

// What Qt's own interface for a drop-down list is, but for the name: the list, and the line
// it is typed in when it takes text, are its children; it opens with a press.
class ListInterface : public QAccessibleWidget {
public:
    explicit ListInterface(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? List()->currentText() : QAccessibleWidget::text(t);
    }
    int childCount() const override { return List()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) {
            return QAccessible::queryAccessibleInterface(List()->view());
        }
        return index == 1 && List()->isEditable() ? QAccessible::queryAccessibleInterface(List()->lineEdit())
                                                  : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child->object() == List()->view()) {
            return 0;
        }
        return List()->isEditable() && child->object() == List()->lineEdit() ? 1 : -1;
    }
    QAccessibleInterface* focusChild() const override { return List()->isEditable() ? child(1) : nullptr; }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = List()->view()->isVisible();
        state.editable = List()->isEditable();
        return state;
    }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            List()->showPopup();
        }
    }

private:
    QComboBox* List() const { return static_cast<QComboBox*>(widget()); }
};

// A link, named by the address it shows; its tip (the description) names the site.
class LinkInterface : public QAccessibleWidget {
public:
    explicit LinkInterface(LinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? Link()->text() : QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            Link()->Press();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

private:
    LinkLabel* Link() const { return static_cast<LinkLabel*>(widget()); }
};

// Asked for the object's own class before Qt's factory is asked for the classes it derives from.
QAccessibleInterface* Interface(const QString& className, QObject* object) {
    const auto is = [&](const QMetaObject& meta) { return className == QLatin1String(meta.className()); };
    if (is(LabelledList::staticMetaObject)) {
        return new ListInterface(static_cast<LabelledList*>(object));
    }
    if (is(LinkLabel::staticMetaObject)) {
        return new LinkInterface(static_cast<LinkLabel*>(object));
    }
    if (is(frmSerial::staticMetaObject)) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return TrayInterface(className, object);
}

}  // namespace

void InstallAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(Interface);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace qm
