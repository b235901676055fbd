#pragma once

#include <QDialog>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

class QLineEdit;
class QPushButton;

namespace qm {

class CodeLearner;
class CodeListening;
class UpDownControl;

// Edits one character code (0 to 255) of a compass point, typed or taken from the device. The
// caller sets ASCIIValue (and TitleText), runs exec() with the main window as parent, and reads ASCIIValue
// back whatever the outcome: OK stores the typed code, Cancel and Esc leave the given one.
class frmASCIIValue : public QDialog {
    Q_OBJECT
public:
    explicit frmASCIIValue(QWidget* parent = nullptr);

    std::int16_t ASCIIValue() const { return ASCIIValue_; }
    void ASCIIValue(std::int16_t value);
    // The caption becomes "Ascii Value : " and the title; without a title it is that alone.
    void TitleText(const QString& title);

    // The handshaking the code will be received with (the serial control's value): under Xon/Xoff,
    // OK warns of a code the line keeps for itself, and still takes it.
    void Handshaking(std::int32_t handshaking) { handshaking_ = handshaking; }
    // Where "Press the switch" takes the device's next code from (see CodeLearner).
    void Listening(CodeListening* listening);

    // The warning, for every code of codes the handshaking swallows (one message for them all).
    static void WarnIfSwallowed(QWidget* parent, std::initializer_list<std::int16_t> codes,
                                std::int32_t handshaking);
    static void WarnIfSwallowed(QWidget* parent, const std::vector<std::int16_t>& codes,
                                std::int32_t handshaking);

    // A whole number from 0 to 255, or nothing for any other text (empty, negative, fractional,
    // too large, not a number at all).
    static std::optional<std::int16_t> ReadCode(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OKButton_Click();

    std::int16_t ASCIIValue_ = 0;
    std::int32_t handshaking_ = 0;
    QLineEdit* txtASCIICode_ = nullptr;
    UpDownControl* updASCII_ = nullptr;
    CodeLearner* learner_ = nullptr;
    QPushButton* OKButton_ = nullptr;
    QPushButton* CancelButton_ = nullptr;
};

}  // namespace qm
