#pragma once

#include <QDialog>
#include <cstdint>

class QLineEdit;
class QPushButton;

namespace qm {

class CodeLearner;
class CodeListening;
class UpDownControl;

// Edits a mouse button's single-click and double-click codes (0 to 255 each), typed or taken
// from the device. The caller sets
// SClickASCIIValue, DClickASCIIValue and TitleText, runs exec() with the main window as parent,
// and reads both codes back whatever the outcome. Cancel, Esc and the window's close button leave
// the codes as given.
class frmMouseClickASCIIValue : public QDialog {
    Q_OBJECT
public:
    explicit frmMouseClickASCIIValue(QWidget* parent = nullptr);

    std::int16_t SClickASCIIValue() const { return SClickASCIIValue_; }
    void SClickASCIIValue(std::int16_t value);
    std::int16_t DClickASCIIValue() const { return DClickASCIIValue_; }
    void DClickASCIIValue(std::int16_t value);
    // The caption becomes "ASCII Values: " and the title.
    void TitleText(const QString& title);
    // As frmASCIIValue's: under Xon/Xoff, OK warns of codes the line keeps for itself.
    void Handshaking(std::int32_t handshaking) { handshaking_ = handshaking; }
    // Where "Press the switch" takes the device's next code from (see CodeLearner).
    void Listening(CodeListening* listening);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OKButton_Click();

    std::int16_t SClickASCIIValue_ = 0;
    std::int16_t DClickASCIIValue_ = 0;
    std::int32_t handshaking_ = 0;
    QLineEdit* txtSClickASCIICode_ = nullptr;
    QLineEdit* txtDClickASCIICode_ = nullptr;
    QPushButton* OKButton_ = nullptr;
    QPushButton* CancelButton_ = nullptr;
    CodeLearner* learner_ = nullptr;
};

}  // namespace qm
