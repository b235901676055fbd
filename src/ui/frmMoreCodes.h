#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "ui/PendingState.h"

class QLineEdit;

namespace qm {

class CodeLearner;
class CodeListening;

// "More Codes": the codes of the actions beyond the thirteen (kAddedCodes: the left button lock,
// the middle click, the wheel, faster and slower, and keys of the keyboard), each 0 to 255 or none
// (an empty box), typed or taken from the device.
// The caller sets Codes, runs exec() with the main window as parent, and reads Codes back
// whatever the outcome: OK stores the typed codes, Cancel and Esc leave those given.
class frmMoreCodes : public QDialog {
    Q_OBJECT
public:
    explicit frmMoreCodes(QWidget* parent = nullptr);

    // Only the codes of values are read and written; its other settings are left as they are.
    void Codes(const SettingsRecord& values);
    const SettingsRecord& Codes() const { return values_; }
    // As the other code editors: under Xon/Xoff, OK warns of codes the line keeps for itself.
    void Handshaking(std::int32_t handshaking) { handshaking_ = handshaking; }
    // Where "Press the switch" takes the device's next code from (see CodeLearner).
    void Listening(CodeListening* listening);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OKButton_Click();

    SettingsRecord values_;
    std::int32_t handshaking_ = 0;
    std::vector<QLineEdit*> boxes_;  // in the order of kAddedCodes
    CodeLearner* learner_ = nullptr;
};

}  // namespace qm
