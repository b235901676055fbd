#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace qm {

// An up-down control bound to a text box, as on Windows: each press reads the number in the box,
// steps it by the increment within the range and writes it back. A box that holds no number
// steps from the last position the control wrote. Up and Down in the box step it too. The
// control is enabled while its box is.
// The arrows are the child buttons named "up" and "down".
class UpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return buddy_; }
    void SetRange(int min, int max);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetIncrement(int increment) { increment_ = increment; }
    int Increment() const { return increment_; }

    void StepUp() { Step(+1); }
    void StepDown() { Step(-1); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Step(int direction);

    QLineEdit* buddy_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
    int position_ = 0;
};

}  // namespace qm
