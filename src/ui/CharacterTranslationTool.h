#pragma once

#include <QGroupBox>
#include <QString>

class QLineEdit;

namespace qm {

// The Diagnostics tab's frame "Character Translation:": a character code in decimal
// (`txtASCIIDecimalCharacter`, 3 characters), in hexadecimal (`txtASCIIHexCharacter`, 2) and the
// character itself (`txtDisplayCharacter`, 1). Filling any one box fills the other two, in
// Windows-1252. Below them a person programming a device looks up a virtual key by name
// (`cboVirtualKey`) and reads the escape value that sends it (`txtVirtualKeyValue`, read-only).
// It stands alone: no settings, no trace. The window places it on its tab.
class CharacterTranslationTool : public QGroupBox {
    Q_OBJECT
public:
    explicit CharacterTranslationTool(QWidget* parent = nullptr);

    QLineEdit* txtASCIIDecimalCharacter() const { return decimal_; }
    QLineEdit* txtASCIIHexCharacter() const { return hex_; }
    QLineEdit* txtDisplayCharacter() const { return display_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Key filters: true when the key is discarded.
    bool DecimalKeyPress(const QKeyEvent& event);
    bool HexKeyPress(const QKeyEvent& event);
    void DisplayKeyPress(const QKeyEvent& event);
    void DecimalKeyUp();
    void HexKeyUp();
    void DisplayKeyUp();
    // Text that reached a box without its key filter (pasted or dropped) and that the filter
    // would have refused: the box gets its previous text back, and its message is shown.
    void RefuseUnfiltered(QLineEdit* box, QString& previous, bool (*valid)(const QString&),
                          const char* message);
    void SelectActiveText();
    void Warn(const char* message);

    QLineEdit* decimal_ = nullptr;
    QLineEdit* hex_ = nullptr;
    QLineEdit* display_ = nullptr;
    QString decimalBefore_;
    QString hexBefore_;
};

}  // namespace qm
