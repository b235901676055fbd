#pragma once

#include <QDialog>
#include <cstdint>

class QCheckBox;

namespace qm {

// What ticking "Run on System Startup" asks first, and what it then says about when the choice
// takes effect. On Windows the Run value starts the program as a user logs on; elsewhere an
// autostart entry starts it once the user has logged in to the desktop, so it cannot help with
// logging in and takes effect at the next log-in.
struct StartAtLogOnTexts {
    QString question;
    QString takesEffect;
};
StartAtLogOnTexts StartAtLogOnTextsFor(bool windows);

// "Startup Options:": whether the program runs at log-on, test-opens the ports when it lists
// them, and connects to the last port at start. The caller sets the three values, runs exec()
// with the main window as parent, and reads them back whatever the outcome: OK copies the boxes
// in (and sets Dirty when one differed), Cancel leaves them as given.
class frmStartupOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmStartupOptions(QWidget* parent = nullptr);

    void RunOnSystemStartup(std::int32_t runOnStartup);
    void CheckPortsOnStartup(std::int32_t checkPortsOnStartup);
    void ConnectOnStartup(std::int32_t connectOnStartup);
    std::int32_t ConnectOnStartup() const { return connectOnStartup_; }
    std::int32_t CheckPortsOnStartup() const { return checkPortsOnStartup_; }
    std::int32_t RunOnSystemStartup() const { return runOnStartup_; }
    bool Dirty() const { return dirty_; }
    // 1: a port whose device vanished is opened again by itself once the device is back.
    void ReconnectAutomatically(std::int32_t value);
    std::int32_t ReconnectAutomatically() const { return reconnect_; }

private:
    void chkStartOnSystemStartup_Click(bool checked);
    void OKButton_Click();
    void CancelButton_Click();

    std::int32_t runOnStartup_ = 0;
    std::int32_t checkPortsOnStartup_ = 0;
    std::int32_t connectOnStartup_ = 0;
    std::int32_t reconnect_ = 0;
    bool dirty_ = false;

    QCheckBox* chkAutoConnect_ = nullptr;
    QCheckBox* chkTestPorts_ = nullptr;
    QCheckBox* chkStartOnSystemStartup_ = nullptr;
    QCheckBox* chkReconnect_ = nullptr;
};

}  // namespace qm
