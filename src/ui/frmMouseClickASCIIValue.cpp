#include "ui/frmMouseClickASCIIValue.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/common/FixedDialog.h"
#include "ui/common/MessageBoxService.h"
#include "ui/common/TypedKeys.h"
#include "ui/common/UpDownControl.h"
#include "ui/frmASCIIValue.h"

namespace qm {

namespace {
const char* const kCaption = "ASCII Values: ";

QLineEdit* AddCodeRow(QDialog* dialog, QGridLayout* grid, int row, const QString& caption, const char* name) {
    auto* label = new QLabel(caption, dialog);
    auto* box = new QLineEdit(dialog);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(caption.chopped(1));
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    label->setBuddy(box);
    AcceptDigitsOnly(box);
    auto* upDown = new UpDownControl(dialog);
    upDown->setObjectName(QStringLiteral("updASCII"));
    upDown->setProperty("Index", row);
    upDown->SetRange(0, 255);
    upDown->SetIncrement(1);
    upDown->SetBuddy(box);
    auto* field = new QHBoxLayout;
    field->setSpacing(0);
    field->addWidget(box);
    field->addWidget(upDown);
    field->addStretch();
    grid->addWidget(label, row, 0);
    grid->addLayout(field, row, 1);
    return box;
}
}  // namespace

frmMouseClickASCIIValue::frmMouseClickASCIIValue(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMouseClickASCIIValue"));
    setWindowTitle(QString::fromLatin1(kCaption));

    auto* grid = new QGridLayout;
    txtSClickASCIICode_ = AddCodeRow(this, grid, 0, tr("S Click Code:"), "txtSClickASCIICode");
    txtDClickASCIICode_ = AddCodeRow(this, grid, 1, tr("D Click Code:"), "txtDClickASCIICode");

    OKButton_ = new QPushButton(tr("OK"), this);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    CancelButton_ = new QPushButton(tr("Cancel"), this);
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton_);
    buttons->addWidget(CancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    MakeFixedDialog(this, layout);

    connect(OKButton_, &QPushButton::clicked, this, &frmMouseClickASCIIValue::OKButton_Click);
    connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    txtSClickASCIICode_->setText(QString::number(SClickASCIIValue_));
    txtDClickASCIICode_->setText(QString::number(DClickASCIIValue_));
}

void frmMouseClickASCIIValue::SClickASCIIValue(std::int16_t pintASCIIValue) {
    SClickASCIIValue_ = pintASCIIValue;
    txtSClickASCIICode_->setText(QString::number(SClickASCIIValue_));
}

void frmMouseClickASCIIValue::DClickASCIIValue(std::int16_t pintASCIIValue) {
    DClickASCIIValue_ = pintASCIIValue;
    txtDClickASCIICode_->setText(QString::number(DClickASCIIValue_));
}

void frmMouseClickASCIIValue::TitleText(const QString& pstrTitle) {
    setWindowTitle(QString::fromLatin1(kCaption) + pstrTitle);
}

void frmMouseClickASCIIValue::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Selected, so that a new code typed at once replaces the old one instead of joining it.
    txtSClickASCIICode_->setFocus();
    txtSClickASCIICode_->selectAll();
}

void frmMouseClickASCIIValue::keyPressEvent(QKeyEvent* event) {
    // This dialog has no cancel button binding: Esc is swallowed rather than cancelling.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
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
