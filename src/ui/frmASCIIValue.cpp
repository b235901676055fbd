#include "ui/frmASCIIValue.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "ui/common/MessageBoxService.h"
#include "ui/common/TypedKeys.h"
#include "ui/common/UpDownControl.h"

namespace qm {

namespace {
const char* const kCaption = "Ascii Value : ";
}

frmASCIIValue::frmASCIIValue(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmASCIIValue"));
    setWindowTitle(QString::fromLatin1(kCaption));

    auto* label = new QLabel(tr("ASCII Code:"), this);
    txtASCIICode_ = new QLineEdit(this);
    txtASCIICode_->setObjectName(QStringLiteral("txtASCIICode"));
    txtASCIICode_->setAccessibleName(tr("ASCII Code"));
    txtASCIICode_->setMaximumWidth(txtASCIICode_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                                   16);
    label->setBuddy(txtASCIICode_);
    AcceptDigitsOnly(txtASCIICode_);
    updASCII_ = new UpDownControl(this);
    updASCII_->setObjectName(QStringLiteral("updASCII"));
    updASCII_->SetRange(0, 255);
    updASCII_->SetIncrement(1);
    updASCII_->SetBuddy(txtASCIICode_);

    OKButton_ = new QPushButton(tr("OK"), this);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    CancelButton_ = new QPushButton(tr("Cancel"), this);
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));

    auto* field = new QHBoxLayout;
    field->setSpacing(0);
    field->addWidget(txtASCIICode_);
    field->addWidget(updASCII_);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addLayout(field);
    row->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton_);
    buttons->addWidget(CancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    // Wide enough for the longest caption to show whole in the title bar.
    layout->addStrut(fontMetrics().horizontalAdvance(QStringLiteral("Ascii Value : NW Mouse Movement")) +
                     6 * fontMetrics().height());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKButton_, &QPushButton::clicked, this, &frmASCIIValue::OKButton_Click);
    // The cancel button: Esc and the window's close button come here through reject() as well.
    connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    txtASCIICode_->setText(QString::number(ASCIIValue_));
}

void frmASCIIValue::ASCIIValue(std::int16_t pintASCIIValue) {
    ASCIIValue_ = pintASCIIValue;
    txtASCIICode_->setText(QString::number(ASCIIValue_));
}

void frmASCIIValue::TitleText(const QString& pstrTitle) {
    setWindowTitle(QString::fromLatin1(kCaption) + pstrTitle);
}

std::optional<std::int16_t> frmASCIIValue::ReadCode(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || value != std::floor(value) || value < 0 || value > 255) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

void frmASCIIValue::OKButton_Click() {
    const auto code = ReadCode(txtASCIICode_->text());
    if (!code) {
        MsgBox(this, QStringLiteral("ASCII Code must be a whole number between 0 and 255)"),
               MsgIcon::Exclamation);
        txtASCIICode_->setFocus();
        txtASCIICode_->selectAll();
        return;
    }
    accept();
    ASCIIValue_ = *code;
}

}  // namespace qm
