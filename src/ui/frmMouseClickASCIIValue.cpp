#include "ui/frmMouseClickASCIIValue.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/CodeLearner.h"
#include "ui/common/DialogRows.h"
#include "ui/common/FixedDialog.h"
#include "ui/common/MessageBoxService.h"
#include "ui/common/TypedKeys.h"
#include "ui/common/UpDownControl.h"
#include "ui/frmASCIIValue.h"

namespace qm {

namespace {
const char* const kCaption = "ASCII Values: ";

}  // namespace

frmMouseClickASCIIValue::frmMouseClickASCIIValue(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMouseClickASCIIValue"));
    setWindowTitle(QString::fromLatin1(kCaption));

    auto* grid = new QGridLayout;
    txtSClickASCIICode_ = AddCodeRow(this, grid, 0, tr("S Click Code:"), "txtSClickASCIICode");
    txtDClickASCIICode_ = AddCodeRow(this, grid, 1, tr("D Click Code:"), "txtDClickASCIICode");
    learner_ = new CodeLearner(this);
    grid->addWidget(learner_->AddButton(txtSClickASCIICode_), 0, 2);
    grid->addWidget(learner_->AddButton(txtDClickASCIICode_), 1, 2);
    // Tab goes from box to box, as it did before the boxes had buttons beside them.
    setTabOrder(txtSClickASCIICode_, txtDClickASCIICode_);

    const OkCancelRow buttons = AddOkCancel(this);
    OKButton_ = buttons.ok;
    CancelButton_ = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(learner_->StatusLine());
    layout->addSpacing(8);
    layout->addLayout(buttons.row);
    MakeFixedDialog(this, layout);

    connect(OKButton_, &QPushButton::clicked, this, &frmMouseClickASCIIValue::OKButton_Click);
    connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    txtSClickASCIICode_->setText(QString::number(SClickASCIIValue_));
    txtDClickASCIICode_->setText(QString::number(DClickASCIIValue_));
}

void frmMouseClickASCIIValue::SClickASCIIValue(std::int16_t value) {
    SClickASCIIValue_ = value;
    txtSClickASCIICode_->setText(QString::number(SClickASCIIValue_));
}

void frmMouseClickASCIIValue::DClickASCIIValue(std::int16_t value) {
    DClickASCIIValue_ = value;
    txtDClickASCIICode_->setText(QString::number(DClickASCIIValue_));
}

void frmMouseClickASCIIValue::Listening(CodeListening* listening) {
    learner_->Listening(listening);
}

void frmMouseClickASCIIValue::TitleText(const QString& title) {
    setWindowTitle(QString::fromLatin1(kCaption) + title);
}

void frmMouseClickASCIIValue::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Selected, so that a new code typed at once replaces the old one instead of joining it.
    txtSClickASCIICode_->setFocus();
    txtSClickASCIICode_->selectAll();
}

void frmMouseClickASCIIValue::OKButton_Click() {
    const auto single = frmASCIIValue::ReadCode(txtSClickASCIICode_->text());
    if (!single) {
        MsgBox(this, QStringLiteral("Single Click ASCII Code must be a whole number between 0 and 255)"),
               MsgIcon::Exclamation);
        txtSClickASCIICode_->setFocus();
        txtSClickASCIICode_->selectAll();
        return;
    }
    const auto twice = frmASCIIValue::ReadCode(txtDClickASCIICode_->text());
    if (!twice) {
        MsgBox(this, QStringLiteral("Double Click ASCII Code must be a whole number between 0 and 255"),
               MsgIcon::Exclamation);
        txtDClickASCIICode_->setFocus();
        txtDClickASCIICode_->selectAll();
        return;
    }
    frmASCIIValue::WarnIfSwallowed(this, {*single, *twice}, handshaking_);
    accept();
    SClickASCIIValue_ = *single;
    DClickASCIIValue_ = *twice;
}

}  // namespace qm
