#pragma once

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTextBrowser;

namespace qm {

// "Quillmotion : Help": the user guide, read inside the program so that the switch user can read
// it with the keys the device sends (arrows and Page keys scroll, Tab reaches the links, Escape
// closes). It is not modal, so the window it helps with stays usable beside it. When the guide is
// not where it was looked for, it says so and names every place it looked.
class frmHelp : public QDialog {
    Q_OBJECT
public:
    explicit frmHelp(const QStringList& places, QWidget* parent = nullptr);

    // Gives window a Help button ("cmdHelp", for the window to place) and F1 anywhere in it; both
    // bring up one guide window, made when first asked for and owned by the window.
    static QPushButton* AddTo(QWidget* window);

private:
    QTextBrowser* txtGuide_ = nullptr;
};

}  // namespace qm
