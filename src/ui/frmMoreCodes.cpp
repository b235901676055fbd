#include "ui/frmMoreCodes.h"

#include <QGridLayout>
#include <QHBoxLayout>
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

frmMoreCodes::frmMoreCodes(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMoreCodes"));
    setWindowTitle(QStringLiteral("More Codes"));

    auto* hint = new QLabel(tr("Leave a box empty for an action without a code."), this);
    auto* grid = new QGridLayout;
    int row = 0;
    for (const AddedCode& code : kAddedCodes) {
        const QString caption = QString::fromLatin1(code.name) + QLatin1Char(':');
        auto* label = new QLabel(caption, this);
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(code.boxName));
        box->setAccessibleName(QString::fromLatin1(code.name));
        box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
        label->setBuddy(box);
        AcceptDigitsOnly(box);
        auto* upDown = new UpDownControl(this);
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
        boxes_.push_back(box);
        ++row;
    }

    auto* OKButton = new QPushButton(tr("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    auto* CancelButton = new QPushButton(tr("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    MakeFixedDialog(this, layout);

    connect(OKButton, &QPushButton::clicked, this, &frmMoreCodes::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    Codes(values_);
}

void frmMoreCodes::Codes(const SettingsRecord& values) {
    values_ = values;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const std::int16_t code = (values_.*kAddedCodes[i].get)();
        boxes_[i]->setText(code < 0 ? QString() : QString::number(code));
    }
}

void frmMoreCodes::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    boxes_.front()->setFocus();
    boxes_.front()->selectAll();
}

void frmMoreCodes::OKButton_Click() {
    SettingsRecord typed = values_;
    std::vector<std::int16_t> codes;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        QLineEdit* box = boxes_[i];
        if (box->text().trimmed().isEmpty()) {
            (typed.*kAddedCodes[i].set)(SettingsRecord::kNoCode);
            continue;
        }
        const auto code = frmASCIIValue::ReadCode(box->text());
        if (!code) {
            MsgBox(this,
                   QStringLiteral("%1 ASCII Code must be a whole number between 0 and 255)")
                       .arg(QString::fromLatin1(kAddedCodes[i].name)),
                   MsgIcon::Exclamation);
            box->setFocus();
            box->selectAll();
            return;
        }
        (typed.*kAddedCodes[i].set)(*code);
        codes.push_back(*code);
    }
    frmASCIIValue::WarnIfSwallowed(this, codes, handshaking_);
    accept();
    values_ = typed;
}

}  // namespace qm
