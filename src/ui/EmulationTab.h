#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;

namespace qm {

// The Emulation page: how the device's bytes are read.
class EmulationTab : public QWidget {
public:
    explicit EmulationTab(QWidget* parent);

    QGroupBox* fraDeviceEmulation = nullptr;
    QCheckBox* chkASCIISequenceEmulation = nullptr;
};

}  // namespace qm
