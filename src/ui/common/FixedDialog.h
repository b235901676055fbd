#pragma once

#include <QString>

class QBoxLayout;
class QDialog;

namespace qm {

// Makes dialog a dialog of fixed size laid out by layout: its title bar offers a close button and
// no maximise or minimise button, and it is never narrower than its title bar needs to show the
// whole caption beside the window's buttons. A caption set later (a title) widens it again.
void MakeFixedDialog(QDialog* dialog, QBoxLayout* layout);

// The width a title bar needs for caption: the caption in the title font, measured bold as many
// window managers draw it, and room for the window icon and buttons.
int TitleBarWidth(const QString& caption);

}  // namespace qm
