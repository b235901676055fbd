#pragma once

#include <QComboBox>

namespace qm {

// A drop-down list that assistive tools name by its label (the QLabel whose buddy it is), as on
// other systems: on Linux Qt names a list by the item it shows.
class LabelledList : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
};

// Tells Qt how assistive tools are to see the program's own widgets where its guess is wrong: the
// Properties window is an application's window (not a "filler"), a link of the About box is a link
// that can be pressed, a LabelledList is named by its label, and the application lists its tray
// icon and the icon's open menu. Called before the first of them is made (for the application:
// before assistive tools first ask for it); later calls do nothing.
void InstallAccessibleInterfaces();

}  // namespace qm
