#include "ui/MouseTab.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/MouseCodesPanel.h"
#include "ui/common/Widgets.h"

namespace qm {

MouseTab::MouseTab(SettingsRecord* working, std::function<std::int32_t()> handshaking,
                   CodeListening* listening, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("tabMouse"));
    fraButtons = MakeFrame(this, "fraButtons", "Buttons:");
    buttonCodes_ = new ButtonCodesPanel(fraButtons);
    buttonCodes_->SetWorkingCopy(working);
    auto* buttons = new QVBoxLayout(fraButtons);
    buttons->addWidget(buttonCodes_);
    cmdMoreCodes = AddCornerButton(fraButtons, buttons, "cmdMoreCodes", "More codes...");

    fraMovement = MakeFrame(this, "fraMovement", "Movement:");
    compassCodes_ = new CompassCodesPanel(fraMovement);
    compassCodes_->SetWorkingCopy(working);
    compassCodes_->SetHandshaking(handshaking);
    buttonCodes_->SetHandshaking(std::move(handshaking));
    compassCodes_->SetListening(listening);
    buttonCodes_->SetListening(listening);
    auto* movement = new QVBoxLayout(fraMovement);
    movement->addWidget(compassCodes_, 1);
    cmdMouseAdvanced = AddCornerButton(fraMovement, movement, "cmdMouseAdvanced", "Advanced...");

    // The hover texts of the code editors are emptied when the mouse is over a frame itself.
    for (QGroupBox* frame : {fraButtons, fraMovement}) {
        frame->setMouseTracking(true);
        frame->installEventFilter(this);
    }
    connect(compassCodes_, &CompassCodesPanel::CodesEdited, this, &MouseTab::CodesEdited);
    connect(buttonCodes_, &ButtonCodesPanel::CodesEdited, this, &MouseTab::CodesEdited);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(fraButtons, 2);
    layout->addWidget(fraMovement, 3);
}

void MouseTab::ShowCodes() {
    compassCodes_->ShowCodes();
    buttonCodes_->ShowCodes();
}

bool MouseTab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        if (watched == fraMovement) {
            compassCodes_->ClearHover();
        } else if (watched == fraButtons) {
            buttonCodes_->ClearHover();
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qm
