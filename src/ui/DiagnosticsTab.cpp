#include "ui/DiagnosticsTab.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/CharacterTranslationTool.h"
#include "ui/common/Widgets.h"

namespace qm {

DiagnosticsTab::DiagnosticsTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabDiagnostics"));
    fraReceived = MakeFrame(this, "fraReceived", "Received Characters:");
    auto* lblMostRecent = new QLabel(
        QStringLiteral("Most Recent characters are displayed at the top of the list"), fraReceived);
    lblMostRecent->setObjectName(QStringLiteral("lblMostRecent"));
    lblMostRecent->setWordWrap(true);
    txtReceivedBuffer = new QPlainTextEdit(fraReceived);
    txtReceivedBuffer->setObjectName(QStringLiteral("txtReceivedBuffer"));
    txtReceivedBuffer->setReadOnly(true);
    txtReceivedBuffer->setFont(QFont(QStringLiteral("monospace")));
    txtReceivedBuffer->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* received = new QVBoxLayout(fraReceived);
    received->addWidget(lblMostRecent);
    received->addWidget(txtReceivedBuffer, 1);

    // The translation tool is the "Character Translation:" frame itself.
    fraCharacterTranslation = new CharacterTranslationTool(this);

    // Selectable, so that a user can copy what to allow into a message to whoever helps them.
    lblDesktopInput = new QLabel(this);
    lblDesktopInput->setObjectName(QStringLiteral("lblDesktopInput"));
    lblDesktopInput->setWordWrap(true);
    lblDesktopInput->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblDesktopInput->setFocusPolicy(Qt::StrongFocus);
    lblDesktopInput->hide();

    auto* frames = new QHBoxLayout;
    frames->addWidget(fraReceived, 1);
    frames->addWidget(fraCharacterTranslation, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames, 1);
    layout->addWidget(lblDesktopInput);
}

void DiagnosticsTab::ShowDesktopInput(const QString& text) {
    lblDesktopInput->setText(text);
    lblDesktopInput->setVisible(!text.isEmpty());
}

}  // namespace qm
