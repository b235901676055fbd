#include "ui/frmHelp.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/HelpGuide.h"
#include "ui/common/Widgets.h"

namespace qm {

frmHelp::frmHelp(const QStringList& places, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Quillmotion : Help"));

    txtGuide_ = new QTextBrowser(this);
    txtGuide_->setObjectName(QStringLiteral("txtGuide"));
    const GuideLookup guide = FindGuide(places);
    if (!guide.found.isEmpty()) {
        txtGuide_->setSource(QUrl::fromLocalFile(guide.found));
    } else {
        QString tried;
        for (const QString& place : guide.tried) {
            tried += QStringLiteral("<li>%1</li>").arg(place.toHtmlEscaped());
        }
        txtGuide_->setHtml(QStringLiteral("<h2>The guide was not found</h2>"
                                          "<p>Quillmotion looked for its guide here:</p><ul>%1</ul>"
                                          "<p>It is installed with the program: installing the program "
                                          "again puts it back.</p>")
                               .arg(tried));
    }
    auto* cmdClose = MakeButton(this, "cmdClose", "Close");
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtGuide_, 1);
    layout->addLayout(buttons);
    resize(fontMetrics().averageCharWidth() * 90, fontMetrics().height() * 32);
    // The keys scroll the guide from the moment it opens.
    txtGuide_->setFocus();
}

QPushButton* frmHelp::AddTo(QWidget* window) {
    auto* cmdHelp = MakeButton(window, "cmdHelp", "&Help");
    const auto open = [window] {
        auto* help = window->findChild<frmHelp*>(QString(), Qt::FindDirectChildrenOnly);
        if (help == nullptr) {
            help = new frmHelp(GuidePlaces(QCoreApplication::applicationDirPath()), window);
        }
        help->show();
        help->raise();
        help->activateWindow();
    };
    connect(cmdHelp, &QPushButton::clicked, window, open);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), window), &QShortcut::activated, window, open);
    return cmdHelp;
}

}  // namespace qm
