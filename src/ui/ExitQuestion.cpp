#include "ui/ExitQuestion.h"

#include <QMessageBox>
#include <QPushButton>

#include "ui/common/MessageBoxService.h"

namespace qm {

ExitQuestion::ExitQuestion(QWidget* owner) : QObject(owner), owner_(owner) {}

void ExitQuestion::Ask() {
    if (box_.isNull()) {
        auto* box = new QMessageBox(
            QMessageBox::Question, QString::fromLatin1(kAppTitle),
            QStringLiteral("End Quillmotion? The switch device will stop working until it is started again."),
            QMessageBox::Ok | QMessageBox::Cancel, owner_);
        box->setObjectName(QStringLiteral("ExitQuestion"));
        box->setDefaultButton(QMessageBox::Cancel);
        box->setEscapeButton(QMessageBox::Cancel);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box_ = box;
        connect(box, &QMessageBox::finished, this, [this, box] {
            // Let go of the box before acting on the answer: the unload that follows withdraws
            // whatever question is still held.
            const bool confirmed = box->clickedButton() == box->button(QMessageBox::Ok);
            box_.clear();
            if (confirmed) {
                emit Confirmed();
            }
        });
        box->open();
    }
    // In front, with the keyboard: the device's Enter and Escape go where the focus is.
    box_->raise();
    box_->activateWindow();
}

void ExitQuestion::Withdraw() {
    if (QMessageBox* box = box_) {
        box_.clear();
        box->disconnect(this);
        box->close();
    }
}

}  // namespace qm
