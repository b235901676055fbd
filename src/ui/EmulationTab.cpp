#include "ui/EmulationTab.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "ui/common/Widgets.h"

namespace qm {

EmulationTab::EmulationTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabEmulation"));
    fraDeviceEmulation = MakeFrame(this, "fraDeviceEmulation", "Device Emulation:");
    chkASCIISequenceEmulation = new QCheckBox(QStringLiteral("ASCII Sequence Mode"), fraDeviceEmulation);
    chkASCIISequenceEmulation->setObjectName(QStringLiteral("chkASCIISequenceEmulation"));
    auto* frame = new QVBoxLayout(fraDeviceEmulation);
    frame->addWidget(chkASCIISequenceEmulation);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraDeviceEmulation);
    layout->addStretch(1);
}

}  // namespace qm
