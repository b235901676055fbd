#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPlainTextEdit;

namespace qm {

// The "Diagnostics" page of the Properties window: the "Received Characters:" frame with its
// list, the "Character Translation:" tool, and which desktop input the program uses. Each control is found
// from outside by its object name, which is its field's name.
class DiagnosticsTab : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosticsTab(QWidget* parent = nullptr);

    // Which desktop input is in use; an empty text keeps the line hidden.
    void ShowDesktopInput(const QString& text);

    QGroupBox* fraReceived = nullptr;
    QPlainTextEdit* txtReceivedBuffer = nullptr;
    QGroupBox* fraCharacterTranslation = nullptr;
    QLabel* lblDesktopInput = nullptr;  // hidden where the system has one kind of desktop input
};

}  // namespace qm
