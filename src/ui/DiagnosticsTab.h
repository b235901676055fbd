#pragma once

#include <QWidget>

class QGroupBox;
class QPlainTextEdit;

namespace qm {

// The "Diagnostics" page of the Properties window: the "Received Characters:" frame with its
// list, and the "Character Translation:" tool. Each control is found from outside by its object
// name, which is its field's name.
class DiagnosticsTab : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosticsTab(QWidget* parent = nullptr);

    QGroupBox* fraReceived = nullptr;
    QPlainTextEdit* txtReceivedBuffer = nullptr;
    QGroupBox* fraCharacterTranslation = nullptr;
};

}  // namespace qm
