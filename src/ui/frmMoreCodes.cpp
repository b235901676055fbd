#include "ui/frmMoreCodes.h"

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

frmMoreCodes::frmMoreCodes(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMoreCodes"));
    setWindowTitle(QStringLiteral("More Codes"));

    auto* hint = new QLabel(tr("Leave a box empty for an action without a code."), this);
    auto* grid = new QGridLayout;
    learner_ = new CodeLearner(this);
    int row = 0;
    for (const AddedCode& code : kAddedCodes) {
        QLineEdit* box =
            AddCodeRow(this, grid, row, QString::fromLatin1(code.caption) + QLatin1Char(':'), code.boxName);
        boxes_.push_back(box);
        grid->addWidget(learner_->AddButton(box), row, 2);
        ++row;
    }
    // Tab goes from box to box, as it did before the boxes had buttons beside them.
    for (std::size_t i = 1; i < boxes_.size(); ++i) {
        setTabOrder(boxes_[i - 1], boxes_[i]);
    }

    const OkCancelRow buttons = AddOkCancel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(grid);
    layout->addWidget(learner_->StatusLine());
    layout->addSpacing(8);
    layout->addLayout(buttons.row);
    MakeFixedDialog(this, layout);

    connect(buttons.ok, &QPushButton::clicked, this, &frmMoreCodes::OKButton_Click);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    Codes(values_);
}

void frmMoreCodes::Codes(const SettingsRecord& values) {
    values_ = values;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const std::int16_t code = values_.Code(kAddedCodes[i].action);
        boxes_[i]->setText(code < 0 ? QString() : QString::number(code));
    }
}

void frmMoreCodes::Listening(CodeListening* listening) {
    learner_->Listening(listening);
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
            typed.Code(kAddedCodes[i].action, SettingsRecord::kNoCode);
            continue;
        }
        const auto code = frmASCIIValue::ReadCode(box->text());
        if (!code) {
            MsgBox(this,
                   QStringLiteral("%1 ASCII Code must be a whole number between 0 and 255)")
                       .arg(QString::fromLatin1(kAddedCodes[i].caption)),
                   MsgIcon::Exclamation);
            box->setFocus();
            box->selectAll();
            return;
        }
        typed.Code(kAddedCodes[i].action, *code);
        codes.push_back(*code);
    }
    frmASCIIValue::WarnIfSwallowed(this, codes, handshaking_);
    accept();
    values_ = typed;
}

}  // namespace qm
