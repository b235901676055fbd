#pragma once

#include <QObject>
#include <QPointer>

class QMessageBox;
class QWidget;

namespace qm {

// Asks a person before the program ends: ending it takes away the switch user's only input, and
// the close button, "Exit" and the tray menu's first item are each one click away. Cancel is the
// default, so a stray Enter ends nothing; OK, Cancel, Enter and Escape are all within the device's
// reach (its clicks, and the keys it types).
//
// The question waits without an event loop of its own (unlike the boxes of MsgBox, which run to
// their answer): whatever asked it returns at once, so it never holds a loop open inside a
// character's pending-events call, and the program ending another way meanwhile (the system asks,
// the session ends) simply withdraws it.
class ExitQuestion : public QObject {
    Q_OBJECT
public:
    // The question is shown over owner, which also owns it.
    explicit ExitQuestion(QWidget* owner);

    // Shows the question, or brings the open one to the front.
    void Ask();
    // Takes an open question away unanswered.
    void Withdraw();
    bool IsOpen() const { return !box_.isNull(); }

signals:
    // The person answered OK.
    void Confirmed();

private:
    QWidget* owner_;
    QPointer<QMessageBox> box_;
};

}  // namespace qm
