#include "ui/GeneralTab.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/NoticeLine.h"
#include "ui/PortOptionsFrame.h"
#include "ui/common/Widgets.h"

namespace qm {

GeneralTab::GeneralTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabGeneral"));
    fraPortOptions = new PortOptionsFrame(this);

    cmdOpenPort = MakeButton(this, "cmdOpenPort", "Connect");
    cmdClosePort = MakeButton(this, "cmdClosePort", "Disconnect");
    cmdClosePort->setEnabled(false);

    auto* lblBytesReceived = new QLabel(QStringLiteral("Bytes Received:"), this);
    lblBytesReceived->setObjectName(QStringLiteral("lblBytesReceived"));
    txtBytesReceived = new QLineEdit(QStringLiteral("0"), this);
    txtBytesReceived->setObjectName(QStringLiteral("txtBytesReceived"));
    txtBytesReceived->setReadOnly(true);
    txtBytesReceived->setAlignment(Qt::AlignRight);
    txtBytesReceived->setMaximumWidth(110);
    lblBytesReceived->setBuddy(txtBytesReceived);
    cmdResetBytesReceived = MakeButton(this, "cmdResetBytesReceived", "Reset");

    cmdStartupOptions = MakeButton(this, "cmdStartupOptions", "Startup...");
    cmdAbout = MakeButton(this, "cmdAbout", "About...");
    cmdExit = MakeButton(this, "cmdExit", "Exit");
    lblNotice = new NoticeLine(this);

    auto* connection = new QVBoxLayout;
    connection->addSpacing(8);
    connection->addWidget(cmdOpenPort);
    connection->addWidget(cmdClosePort);
    connection->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(fraPortOptions, 1);
    top->addLayout(connection);

    auto* count = new QHBoxLayout;
    count->addWidget(lblBytesReceived);
    count->addWidget(txtBytesReceived);
    count->addWidget(cmdResetBytesReceived);
    count->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cmdStartupOptions);
    bottom->addWidget(cmdAbout);
    bottom->addStretch(1);
    bottom->addWidget(cmdExit);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(count);
    layout->addWidget(lblNotice);
    layout->addLayout(bottom);
}

}  // namespace qm
