#pragma once

class QDialog;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QString;

namespace qm {

// The OK and Cancel buttons a dialog ends with, named "OKButton" and "CancelButton", right-aligned
// in a row that has room on its left for buttons of the dialog's own; OK is the default button.
// The dialog connects them.
struct OkCancelRow {
    QPushButton* ok;
    QPushButton* cancel;
    QHBoxLayout* row;
};
OkCancelRow AddOkCancel(QDialog* dialog);

// A labelled box for a code from 0 to 255, digits only, with its up-down control, in row of grid.
// The caption ends with a colon, which the box's accessible name leaves out.
QLineEdit* AddCodeRow(QDialog* dialog, QGridLayout* grid, int row, const QString& caption, const char* name);

}  // namespace qm
