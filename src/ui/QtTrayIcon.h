#pragma once

#include <QIcon>
#include <QObject>
#include <memory>

#include "ui/TrayIcon.h"

class QMenu;
class QAction;
class QSystemTrayIcon;

namespace qm {

// The notification-area icon over QSystemTrayIcon, with the pop-up menu `mnuFile`.
class QtTrayIcon final : public QObject, public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(const QIcon& icon, QObject* parent = nullptr);
    ~QtTrayIcon() override;

    bool AreaAvailable() const override;
    bool Add(const std::string& tip) override;
    bool Modify(const std::string& tip) override;
    void Delete() override;
    std::string Tip() const override { return tip_; }
    // A line shown below the tip in the tooltip alone: the icon's window name stays the state.
    void SetNote(const std::string& note) { note_ = note; }

    QMenu* mnuFile() const { return menu_.get(); }

private:
    void ShowTip();

    std::unique_ptr<QMenu> menu_;
    QAction* exit_ = nullptr;
    QAction* properties_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    bool added_ = false;
    bool tipShowing_ = false;  // a turn of the event loop will show tip_
    std::string tip_;
    std::string note_;
};

}  // namespace qm
