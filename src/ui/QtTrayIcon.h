#pragma once

#include <QObject>
#include <memory>

#include "ui/TrayIcon.h"

class QMenu;
class QAction;
class QSystemTrayIcon;

namespace qm {

// The notification-area icon over QSystemTrayIcon, with the pop-up menu `mnuFile`. Held by the
// application (as parent), assistive tools find the icon and its open menu among its windows.
class QtTrayIcon final : public QObject, public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);
    ~QtTrayIcon() override;

    bool AreaAvailable() const override;
    bool Add(const std::string& tip) override;
    bool Modify(const std::string& tip) override;
    void Delete() override;
    std::string Tip() const override { return tip_; }
    void ShowConnection(SessionStatus::Connection connection) override;
    void ShowButtonHeld(bool held) override;
    // A line shown below the tip in the tooltip alone: the icon's window name stays the state.
    void SetNote(const std::string& note) { note_ = note; }

    QMenu* mnuFile() const { return menu_.get(); }

private:
    void ShowTip();
    void ShowPicture();

    std::unique_ptr<QMenu> menu_;
    QAction* exit_ = nullptr;
    QAction* properties_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    bool added_ = false;
    std::string tip_;
    std::string note_;
};

}  // namespace qm
