#include "ui/common/DialogRows.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/common/TypedKeys.h"
#include "ui/common/UpDownControl.h"

namespace qm {

OkCancelRow AddOkCancel(QDialog* dialog) {
    auto* ok = new QPushButton(QDialog::tr("OK"), dialog);
    ok->setObjectName(QStringLiteral("OKButton"));
    // Enter, from a keyboard or typed by the device, confirms what the dialog holds.
    ok->setDefault(true);
    auto* cancel = new QPushButton(QDialog::tr("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return {ok, cancel, row};
}

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

}  // namespace qm
