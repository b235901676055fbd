#include "ui/frmStartupOptions.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/common/DialogRows.h"
#include "ui/common/FixedDialog.h"
#include "ui/common/MessageBoxService.h"

namespace qm {

namespace {

std::int32_t ValueOf(const QCheckBox* box) {
    return box->isChecked() ? 1 : 0;
}

#ifdef Q_OS_WIN
constexpr bool kOnWindows = false;
#else
constexpr bool kOnWindows = false;
#endif

}  // namespace

StartAtLogOnTexts StartAtLogOnTextsFor(bool windows) {
    if (windows) {
        return {
            QStringLiteral("This option will add the application to the system startup sequence.  \r\n"
                           "To fully use this feature, you should ensure that 'Connect on App Startup' is "
                           "also selected.\r\n"
                           "This will start the application to enable log on via Quillmotion.\r\n"
                           "\r\n"
                           "NB: This should only be used when Port settings are known and will not change "
                           "from logon to logon.\r\n"
                           "Are you sure you want to continue?"),
            QStringLiteral("This change will take effect the next time you restart your computer")};
    }
    return {
        QStringLiteral("This option will start the application each time you log in to this desktop.\r\n"
                       "To fully use this feature, you should ensure that 'Connect Automatically when "
                       "program starts' is also selected.\r\n"
                       "The application starts after you have logged in: it cannot help you log in.\r\n"
                       "\r\n"
                       "NB: This should only be used when Port settings are known and will not change "
                       "from one log-in to the next.\r\n"
                       "Are you sure you want to continue?"),
        QStringLiteral("Once applied (Apply or OK), this change will take effect the next time you log in")};
}

frmStartupOptions::frmStartupOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmStartupOptions"));
    setWindowTitle(QStringLiteral("Startup Options:"));

    chkAutoConnect_ = new QCheckBox(tr("Connect Automatically when program starts"), this);
    chkAutoConnect_->setObjectName(QStringLiteral("chkAutoConnect"));
    chkTestPorts_ = new QCheckBox(tr("Check Ports are available when program starts"), this);
    chkTestPorts_->setObjectName(QStringLiteral("chkTestPorts"));
    chkStartOnSystemStartup_ = new QCheckBox(tr("Run on System Startup"), this);
    chkStartOnSystemStartup_->setObjectName(QStringLiteral("chkStartOnSystemStartup"));
    chkReconnect_ = new QCheckBox(tr("Reconnect when the device comes back"), this);
    chkReconnect_->setObjectName(QStringLiteral("chkReconnect"));

    const OkCancelRow buttons = AddOkCancel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chkAutoConnect_);
    layout->addWidget(chkTestPorts_);
    layout->addWidget(chkStartOnSystemStartup_);
    layout->addWidget(chkReconnect_);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addLayout(buttons.row);
    MakeFixedDialog(this, layout);

    connect(chkStartOnSystemStartup_, &QCheckBox::clicked, this,
            &frmStartupOptions::chkStartOnSystemStartup_Click);
    connect(buttons.ok, &QPushButton::clicked, this, &frmStartupOptions::OKButton_Click);
    connect(buttons.cancel, &QPushButton::clicked, this, &frmStartupOptions::CancelButton_Click);
    // Esc and the window's close button cancel as well.
    connect(this, &QDialog::rejected, this, [this] { dirty_ = false; });
}

// The boxes follow the values as they are set, before the dialog is shown; a box set this way
// asks no question.
void frmStartupOptions::RunOnSystemStartup(std::int32_t runOnStartup) {
    runOnStartup_ = runOnStartup;
    chkStartOnSystemStartup_->setChecked(runOnStartup_ == 1);
}

void frmStartupOptions::CheckPortsOnStartup(std::int32_t checkPortsOnStartup) {
    checkPortsOnStartup_ = checkPortsOnStartup;
    chkTestPorts_->setChecked(checkPortsOnStartup_ == 1);
}

void frmStartupOptions::ConnectOnStartup(std::int32_t connectOnStartup) {
    connectOnStartup_ = connectOnStartup;
    chkAutoConnect_->setChecked(connectOnStartup_ == 1);
}

void frmStartupOptions::ReconnectAutomatically(std::int32_t value) {
    reconnect_ = value;
    chkReconnect_->setChecked(reconnect_ == 1);
}

void frmStartupOptions::chkStartOnSystemStartup_Click(bool checked) {
    if (!checked || !isVisible()) {
        return;
    }
    const StartAtLogOnTexts texts = StartAtLogOnTextsFor(kOnWindows);
    if (MsgBox(this, texts.question, MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes) {
        MsgBox(this, texts.takesEffect, MsgIcon::Information);
    } else {
        chkStartOnSystemStartup_->setChecked(false);
    }
}

void frmStartupOptions::OKButton_Click() {
    if (ValueOf(chkTestPorts_) != checkPortsOnStartup_ ||
        ValueOf(chkStartOnSystemStartup_) != runOnStartup_ || ValueOf(chkAutoConnect_) != connectOnStartup_) {
        dirty_ = true;
        checkPortsOnStartup_ = ValueOf(chkTestPorts_);
        runOnStartup_ = ValueOf(chkStartOnSystemStartup_);
        connectOnStartup_ = ValueOf(chkAutoConnect_);
    }
    if (ValueOf(chkReconnect_) != reconnect_) {
        dirty_ = true;
        reconnect_ = ValueOf(chkReconnect_);
    }
    accept();
}

void frmStartupOptions::CancelButton_Click() {
    reject();
}

}  // namespace qm
