#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace qm {

class CodeListening;

// "Press the switch" in a code dialog: a carer sets up a switch by pressing it rather than by
// looking up its code. Each code box of the dialog gets a button beside it, and the dialog one
// status line. While the learner waits, the device's next code goes to that box, selected, so
// that OK (or Enter, from the device too) keeps it, and not to the desktop. A code the box cannot
// hold is refused, with a line saying why. The wait ends with a code, after kWaitMs without one,
// or when the dialog closes (Escape, Cancel, OK, or the program ending), and it never outlives
// the dialog.
class CodeLearner : public QObject {
    Q_OBJECT
public:
    static constexpr int kWaitMs = 10000;
    // The codes a box holds.
    static constexpr std::int16_t kHighest = 255;

    // Makes the status line "lblLearn", which the dialog places.
    explicit CodeLearner(QDialog* dialog);
    ~CodeLearner() override;
    CodeLearner(const CodeLearner&) = delete;
    CodeLearner& operator=(const CodeLearner&) = delete;

    // Where codes come from; without one, no device is ever connected. Must outlive the dialog.
    void Listening(CodeListening* listening) { listening_ = listening; }
    // The button "cmdLearn" for box, whose accessible name names the box.
    QPushButton* AddButton(QLineEdit* box);
    QLabel* StatusLine() const { return status_; }
    bool Waiting() const { return waiting_; }
    // How long a wait lasts, in milliseconds: tests shorten it.
    void WaitLimit(int ms);

private:
    void Start(QLineEdit* box);
    void Take(std::int16_t code);
    void TimedOut();
    // Ends a wait without a code.
    void Stop();
    void EndWait();

    CodeListening* listening_ = nullptr;
    QPointer<QLabel> status_;
    QTimer* timer_ = nullptr;
    bool waiting_ = false;
    QPointer<QLineEdit> waitingFor_;
    int buttons_ = 0;
};

}  // namespace qm
