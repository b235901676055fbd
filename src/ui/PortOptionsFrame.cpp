#include "ui/PortOptionsFrame.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "ports/SerialControl.h"
#include "ui/AccessibleInterfaces.h"
#include "ui/Pictures.h"
#include "ui/common/Ansi.h"

namespace qm {

void FocusLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && buddy() != nullptr &&
        rect().contains(event->position().toPoint())) {
        buddy()->setFocus(Qt::MouseFocusReason);
    }
    QLabel::mouseReleaseEvent(event);
}

PortListView::PortListView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("lvwPort"));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Port"), QStringLiteral("Device")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setIconSize(QSize(16, 16));
    header()->setStretchLastSection(true);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // The mouse: raised on release, when the selection has settled on the clicked row.
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { emit ItemClick(item); });
}

QTreeWidgetItem* PortListView::AddRow(const std::string& name, const std::string& device, int image) {
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, FromAnsi(name));
    item->setData(0, KeyRole, FromAnsi(name));
    item->setText(1, FromAnsi(device));
    item->setData(0, ImageRole, image);
    if (image != 0) {
        item->setIcon(0, QIcon(PortImage(image)));
        item->setToolTip(0, QStringLiteral("In use by another program"));
    }
    return item;
}

QTreeWidgetItem* PortListView::FindKey(const std::string& key) const {
    const QString wanted = FromAnsi(key);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (item->data(0, KeyRole).toString() == wanted) {
            return item;
        }
    }
    return nullptr;
}

void PortListView::SelectRow(QTreeWidgetItem* item) {
    const QSignalBlocker blocker(this);
    clearSelection();
    if (item != nullptr) {
        setCurrentItem(item);
        item->setSelected(true);
        scrollToItem(item);
    }
    viewport()->update();
}

QTreeWidgetItem* PortListView::SelectedItem() const {
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}

int PortListView::SmallIcon(const QTreeWidgetItem* item) {
    return item == nullptr ? 0 : item->data(0, ImageRole).toInt();
}

void PortListView::keyPressEvent(QKeyEvent* event) {
    QTreeWidgetItem* before = SelectedItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem* after = SelectedItem();
    if (after != nullptr && after != before) {
        emit ItemClick(after);
    }
}

namespace {

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& items) {
    auto* combo = new LabelledList(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(items);
    return combo;
}

FocusLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, QWidget* buddy) {
    auto* label = new FocusLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString::fromLatin1(caption).remove(QLatin1Char('&')).chopped(1));
    return label;
}

}  // namespace

PortOptionsFrame::PortOptionsFrame(QWidget* parent) : QGroupBox(QStringLiteral("Port Options:"), parent) {
    setObjectName(QStringLiteral("fraPortOptions"));

    lvwPort = new PortListView(this);

    cboBaudRate = MakeList(this, "cboBaudRate",
                           {"75", "110", "134", "150", "300", "600", "1200", "1800", "2400", "4800", "7200",
                            "9600", "14400", "19200", "38400", "57600", "115200"});
    // Any text can be typed; nothing typed joins the list or is completed behind the user's back.
    cboBaudRate->setEditable(true);
    cboBaudRate->setInsertPolicy(QComboBox::NoInsert);
    cboBaudRate->setCompleter(nullptr);
    cboBaudRate->setMaxVisibleItems(17);

    cboDataBits = MakeList(this, "cboDataBits", {"4", "5", "6", "7", "8"});
    cboParity = MakeList(this, "cboParity", {"Even", "Odd", "None", "Mark", "Space"});
    cboStopBits = MakeList(this, "cboStopBits", {"1", "1.5", "2"});
    cboHandshaking = new LabelledList(this);
    cboHandshaking->setObjectName(QStringLiteral("cboHandshaking"));
    // The item value is what the serial control's Handshaking takes; "Hardware" is RTS/CTS.
    cboHandshaking->addItem(QStringLiteral("Xon/Xoff"), comXOnXoff);
    cboHandshaking->addItem(QStringLiteral("Hardware"), comRTS);
    cboHandshaking->addItem(QStringLiteral("None"), comNone);

    auto* lblPort = new QLabel(QStringLiteral("Port:"), this);
    lblPort->setObjectName(QStringLiteral("lblPort"));
    lblPort->setBuddy(lvwPort);
    // A list view is named by no label of its own.
    lvwPort->setAccessibleName(QStringLiteral("Port"));

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    grid->addWidget(lblPort, 0, 0, Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(lvwPort, 1, 0, 5, 1);
    grid->addWidget(MakeLabel(this, "lblBaudRate", "&Baud Rate:", cboBaudRate), 1, 1);
    grid->addWidget(cboBaudRate, 1, 2);
    grid->addWidget(MakeLabel(this, "lblDataBits", "&Data Bits:", cboDataBits), 2, 1);
    grid->addWidget(cboDataBits, 2, 2);
    grid->addWidget(MakeLabel(this, "lblParity", "Pa&rity:", cboParity), 3, 1);
    grid->addWidget(cboParity, 3, 2);
    grid->addWidget(MakeLabel(this, "lblStopBits", "&Stop Bits:", cboStopBits), 4, 1);
    grid->addWidget(cboStopBits, 4, 2);
    grid->addWidget(MakeLabel(this, "lblHandshaking", "Handshaking:", cboHandshaking), 5, 1);
    grid->addWidget(cboHandshaking, 5, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(2, 2);
    lvwPort->setMinimumWidth(200);
    lvwPort->setMinimumHeight(150);
}

}  // namespace qm
