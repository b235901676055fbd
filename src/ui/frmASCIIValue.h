#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

class QLineEdit;
class QPushButton;

namespace qm {

class UpDownControl;

// Edits one character code (0 to 255) of a compass point. The caller sets ASCIIValue (and
// TitleText), runs exec() with the main window as parent, and reads ASCIIValue back whatever the
// outcome: OK stores the typed code, Cancel and Esc leave the given one.
class frmASCIIValue : public QDialog {
    Q_OBJECT
public:
    explicit frmASCIIValue(QWidget* parent = nullptr);

    std::int16_t ASCIIValue() const { return ASCIIValue_; }
    void ASCIIValue(std::int16_t pintASCIIValue);
    // The caption becomes "Ascii Value : " and the title; without a title it is that alone.
    void TitleText(const QString& pstrTitle);

    // A whole number from 0 to 255, or nothing for any other text (empty, negative, fractional,
    // too large, not a number at all).
    static std::optional<std::int16_t> ReadCode(const QString& text);

private:
    void OKButton_Click();

    std::int16_t ASCIIValue_ = 0;
    QLineEdit* txtASCIICode_ = nullptr;
    UpDownControl* updASCII_ = nullptr;
    QPushButton* OKButton_ = nullptr;
    QPushButton* CancelButton_ = nullptr;
};

}  // namespace qm
