#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QTreeWidget>
#include <string>

class QComboBox;

namespace qm {

// A label that hands the focus to its buddy when clicked, as well as on its mnemonic.
class FocusLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The port list `lvwPort`: one row per port, the port name (the row's key and text) with the
// device beside it. ItemClick is raised when the user picks a row, with the mouse or the keys;
// selecting a row from code raises nothing.
class PortListView : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;

    explicit PortListView(QWidget* parent = nullptr);

    // Adds a row; image 2 marks a port in use, 0 none.
    QTreeWidgetItem* AddRow(const std::string& name, const std::string& device, int image);
    // The row with this key, or nullptr.
    QTreeWidgetItem* FindKey(const std::string& key) const;
    // Selects the row (nullptr: none) without raising ItemClick.
    void SelectRow(QTreeWidgetItem* item);
    // The selected row, or nullptr.
    QTreeWidgetItem* SelectedItem() const;
    static int SmallIcon(const QTreeWidgetItem* item);

signals:
    void ItemClick(QTreeWidgetItem* item);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The General tab's frame "Port Options:": the port list and the five line-setting lists with
// their labels. It only builds and lays out the controls; the main window owns their behaviour.
class PortOptionsFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit PortOptionsFrame(QWidget* parent = nullptr);

    PortListView* lvwPort = nullptr;
    QComboBox* cboBaudRate = nullptr;
    QComboBox* cboDataBits = nullptr;
    QComboBox* cboParity = nullptr;
    QComboBox* cboStopBits = nullptr;
    QComboBox* cboHandshaking = nullptr;
};

}  // namespace qm
