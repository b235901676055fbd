#include "ui/QtTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include "ui/AccessibleInterfaces.h"
#include "ui/Pictures.h"
#include "ui/TrayAccessible.h"
#include "ui/common/Ansi.h"

namespace qm {

QtTrayIcon::QtTrayIcon(QObject* parent)
    : QObject(parent), menu_(std::make_unique<QMenu>(QStringLiteral("&File"))) {
    InstallAccessibleInterfaces();
    menu_->setObjectName(QStringLiteral("mnuFile"));
    exit_ = menu_->addAction(QStringLiteral("&Exit"));
    exit_->setObjectName(QStringLiteral("mnuFileExit"));
    properties_ = menu_->addAction(QStringLiteral("&Properties"));
    properties_->setObjectName(QStringLiteral("mnuFileProperties"));
    connect(exit_, &QAction::triggered, this, [this] {
        if (OnExit) {
            OnExit();
        }
    });
    connect(properties_, &QAction::triggered, this, [this] {
        if (OnProperties) {
            OnProperties();
        }
    });

    icon_ = new QSystemTrayIcon(TrayPicture(ConnectionShown(), ButtonHeldShown()), this);
    icon_->setObjectName(QStringLiteral("trayIcon"));
    icon_->setContextMenu(menu_.get());
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A single left click does nothing; the right button opens the menu on its own.
        if (reason == QSystemTrayIcon::DoubleClick && OnDoubleClick) {
            OnDoubleClick();
        }
    });
}

void QtTrayIcon::ShowConnection(SessionStatus::Connection connection) {
    if (connection != ConnectionShown()) {
        TrayIcon::ShowConnection(connection);
        ShowPicture();
    }
}

void QtTrayIcon::ShowButtonHeld(bool held) {
    if (held != ButtonHeldShown()) {
        TrayIcon::ShowButtonHeld(held);
        ShowPicture();
    }
}

void QtTrayIcon::ShowPicture() {
    // Drawn when the state changes, which is seldom: a connect, a lost device, the lock.
    icon_->setIcon(TrayPicture(ConnectionShown(), ButtonHeldShown()));
}

QtTrayIcon::~QtTrayIcon() {
    if (icon_ != nullptr) {
        icon_->hide();
    }
}

bool QtTrayIcon::AreaAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::Add(const std::string& tip) {
    tip_ = tip;
    // Shown even without an area: Qt embeds the icon as soon as one appears.
    icon_->show();
    ShowTip();
    added_ = true;
    return true;
}

bool QtTrayIcon::Modify(const std::string& tip) {
    if (!added_) {
        return false;
    }
    // Called a moment after the state changed, not per character (see StatusDisplay): the
    // icon takes the text at once.
    tip_ = tip;
    ShowTip();
    return true;
}

void QtTrayIcon::Delete() {
    icon_->hide();
    added_ = false;
}

void QtTrayIcon::ShowTip() {
    QString text = FromAnsi(tip_);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    icon_->setToolTip(note_.empty() ? text : text + QStringLiteral("\n\n") + FromAnsi(note_));
    TrayNameChanged(icon_);
    // The icon's own window carries the tip as its name too, so that screen readers and other
    // assistive tools can read the state without hovering.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0) {
            widget->setWindowTitle(text);
            widget->setAccessibleName(text);
        }
    }
}

}  // namespace qm
