#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

class QGroupBox;
class QPushButton;

namespace qm {

class ButtonCodesPanel;
class CodeListening;
class CompassCodesPanel;
class SettingsRecord;

// The Mouse page: the mouse buttons' and the compass's codes, edited on the working copy, with
// the buttons that open "More codes..." and "Advanced...".
class MouseTab : public QWidget {
    Q_OBJECT

public:
    // handshaking: the line's, for the code editors' warning of codes Xon/Xoff keeps away;
    // listening: where the code editors take a code from the device (may be null).
    MouseTab(SettingsRecord* working, std::function<std::int32_t()> handshaking, CodeListening* listening,
             QWidget* parent);

    // The codes of the working copy, shown again after it changed.
    void ShowCodes();

    QGroupBox* fraButtons = nullptr;
    QGroupBox* fraMovement = nullptr;
    QPushButton* cmdMoreCodes = nullptr;
    QPushButton* cmdMouseAdvanced = nullptr;

signals:
    // A code dialog closed, OK or Cancel: a pending value may have changed.
    void CodesEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ButtonCodesPanel* buttonCodes_ = nullptr;
    CompassCodesPanel* compassCodes_ = nullptr;
};

}  // namespace qm
