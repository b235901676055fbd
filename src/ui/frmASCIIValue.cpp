#include "ui/frmASCIIValue.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <cmath>

#include "ports/XonXoff.h"
#include "ui/CodeLearner.h"
#include "ui/common/DialogRows.h"
#include "ui/common/FixedDialog.h"
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

    learner_ = new CodeLearner(this);
    QPushButton* learn = learner_->AddButton(txtASCIICode_);

    const OkCancelRow buttons = AddOkCancel(this);
    OKButton_ = buttons.ok;
    CancelButton_ = buttons.cancel;

    auto* field = new QHBoxLayout;
    field->setSpacing(0);
    field->addWidget(txtASCIICode_);
    field->addWidget(updASCII_);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addLayout(field);
    row->addWidget(learn);
    row->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(learner_->StatusLine());
    layout->addSpacing(8);
    layout->addLayout(buttons.row);
    MakeFixedDialog(this, layout);

    connect(OKButton_, &QPushButton::clicked, this, &frmASCIIValue::OKButton_Click);
    // The cancel button: Esc and the window's close button come here through reject() as well.
    connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    txtASCIICode_->setText(QString::number(ASCIIValue_));
}

void frmASCIIValue::ASCIIValue(std::int16_t value) {
    ASCIIValue_ = value;
    txtASCIICode_->setText(QString::number(ASCIIValue_));
}

void frmASCIIValue::Listening(CodeListening* listening) {
    learner_->Listening(listening);
}

void frmASCIIValue::TitleText(const QString& title) {
    setWindowTitle(QString::fromLatin1(kCaption) + title);
}

std::optional<std::int16_t> frmASCIIValue::ReadCode(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || value != std::floor(value) || value < 0 || value > 255) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

void frmASCIIValue::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Selected, so that a new code typed at once replaces the old one instead of joining it.
    txtASCIICode_->setFocus();
    txtASCIICode_->selectAll();
}

void frmASCIIValue::WarnIfSwallowed(QWidget* parent, std::initializer_list<std::int16_t> codes,
                                    std::int32_t handshaking) {
    WarnIfSwallowed(parent, std::vector<std::int16_t>(codes), handshaking);
}

void frmASCIIValue::WarnIfSwallowed(QWidget* parent, const std::vector<std::int16_t>& codes,
                                    std::int32_t handshaking) {
    QStringList named;
    for (const std::int16_t code : codes) {
        if (SwallowedByHandshaking(code, handshaking)) {
            named << QStringLiteral("%1 (%2)").arg(code).arg(
                QString::fromStdString(FlowControlCodeName(code)));
        }
    }
    if (named.isEmpty()) {
        return;
    }
    MsgBox(
        parent,
        QStringLiteral("ASCII Code %1 will not reach Quillmotion while Xon/Xoff handshaking is chosen: the "
                       "serial line keeps %2 and %3 for starting and stopping itself.\r\n\r\nChoose another "
                       "code, or another handshaking on the General tab.")
            .arg(named.join(QStringLiteral(" and ")))
            .arg(kXonCode)
            .arg(kXoffCode),
        MsgIcon::Exclamation);
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
    // A warning only: the handshaking may still be changed before the device is used.
    WarnIfSwallowed(this, {*code}, handshaking_);
    accept();
    ASCIIValue_ = *code;
}

}  // namespace qm
