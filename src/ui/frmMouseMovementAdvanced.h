#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

#include "desktop/Acceleration.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace qm {

class UpDownControl;

// The values the dialog edits, with the working copy's names and types.
struct MovementTuning {
    float MovementDelay = 0;
    float MovementIncrementX = 0;
    float MovementIncrementY = 0;
    std::int16_t BouncyMouse = 0;
    std::int16_t BouncyMouseAngle = 0;
    std::int16_t Acceleration = 0;
    std::int16_t AccelerationMaximum = 0;
    std::int32_t AccelerationTime = 0;
    std::int16_t AccelerationStart = 0;
};

// "Mouse Movement : Advanced": the movement delay, the X and Y increments, the bouncy-mouse
// options and acceleration, with a speed test that slides a cursor picture along a strip. The
// caller writes the working copy's values in, runs exec() with the main window as parent, and
// reads all nine back whatever the outcome (or lets Edit do all of that). OK stores only when
// something changed; Cancel stores nothing.
class frmMouseMovementAdvanced : public QDialog {
    Q_OBJECT
public:
    explicit frmMouseMovementAdvanced(QWidget* parent = nullptr);

    float MovementDelay() const { return MovementDelay_; }
    void MovementDelay(float value);
    float MovementIncrementX() const { return MovementIncrementX_; }
    void MovementIncrementX(float value);
    float MovementIncrementY() const { return MovementIncrementY_; }
    void MovementIncrementY(float value);
    std::int16_t BouncyMouse() const { return BouncyMouse_; }
    void BouncyMouse(std::int16_t value);
    std::int16_t BouncyMouseAngle() const { return BouncyMouseAngle_; }
    void BouncyMouseAngle(std::int16_t value);

    // Acceleration: on (1) or off, the top speed as a multiple of the increments, the
    // milliseconds a movement takes to reach it, and the percent of the increments it starts at.
    // OK stores them as it stores the others.
    std::int16_t Acceleration() const { return Acceleration_; }
    void Acceleration(std::int16_t value);
    std::int16_t AccelerationMaximum() const { return AccelerationMaximum_; }
    void AccelerationMaximum(std::int16_t value);
    std::int32_t AccelerationTime() const { return AccelerationTime_; }
    void AccelerationTime(std::int32_t value);
    std::int16_t AccelerationStart() const { return AccelerationStart_; }
    void AccelerationStart(std::int16_t value);

    // The angle the option buttons have chosen while the dialog is open.
    std::int16_t SelectedAngle() const { return selectedAngle_; }

    // Writes tuning in, shows the dialog modally owned by owner, and reads the values back into
    // tuning. True when the values now differ from those given, so the caller knows to hand the
    // new delay and angle to a running movement at once (before Apply).
    static bool Edit(QWidget* owner, MovementTuning& tuning);

    // The speed test timer as Windows has it: enabled with an interval of 0 it never ticks.
    int SpeedTestInterval() const { return speedTestInterval_; }
    bool SpeedTestEnabled() const { return speedTestEnabled_; }
    // One tick of the speed test (what tmrSpeedTest's timeout runs).
    void tmrSpeedTest_Timer();

    // A text as the float the dialog stores, shown in the locale's number format.
    static QString FormatValue(float value);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;

private:
    void chkBouncyMouseEnabled_Click();
    void EnableAccelerationValues(bool on);
    void cmdTest_Click();
    void OKButton_Click();
    void SetSpeedTestTimer(int interval, bool enabled);
    void EndSpeedTest();
    void PlaceCursor();
    // Where a test ends: the left edge the cursor must reach, in the dialog's coordinates.
    double CursorEnd() const;
    // The box's text as a whole number, or a message naming the box and nothing.
    std::optional<double> ReadNumber(QLineEdit* box, const QString& name);
    // Whether value is a percentage from 1 to 100; if not, says so and hands its box the focus.
    bool WithinPercent(QLineEdit* box, const char* name, double value);

    float MovementDelay_ = 0;
    float MovementIncrementX_ = 0;
    float MovementIncrementY_ = 0;
    std::int16_t BouncyMouse_ = 0;
    std::int16_t BouncyMouseAngle_ = 0;
    std::int16_t selectedAngle_ = 0;
    std::int16_t Acceleration_ = 0;
    std::int16_t AccelerationMaximum_ = 0;
    std::int32_t AccelerationTime_ = 0;
    std::int16_t AccelerationStart_ = 0;

    QLineEdit* txtMovementDelay_ = nullptr;
    QLineEdit* txtXIncrement_ = nullptr;
    QLineEdit* txtYIncrement_ = nullptr;
    QCheckBox* chkBouncyMouseEnabled_ = nullptr;
    QCheckBox* chkAcceleration_ = nullptr;
    QLineEdit* txtAccelerationMaximum_ = nullptr;
    QLineEdit* txtAccelerationTime_ = nullptr;
    QLineEdit* txtAccelerationStart_ = nullptr;
    QRadioButton* optBouncyMouse90Degrees_ = nullptr;
    QRadioButton* optBouncyMouse180Degrees_ = nullptr;
    QPushButton* cmdTest_ = nullptr;
    QLabel* lblSpeedTest_ = nullptr;
    QLabel* imgCursor_ = nullptr;
    QTimer* tmrSpeedTest_ = nullptr;
    int speedTestInterval_ = 0;
    bool speedTestEnabled_ = false;
    double cursorLeft_ = kCursorStart;
    // With acceleration ticked when the test started, the curve it grows by; the ticks made so far.
    std::optional<AccelerationCurve> speedTestCurve_;
    int speedTestTicks_ = 0;

    static constexpr double kCursorStart = 19.0;
    static constexpr double kCursorEnd = 270.0;
    // The strip's width at its smallest, where a test ends at kCursorEnd.
    static constexpr int kStripWidth = static_cast<int>(kCursorEnd) + 60;
};

}  // namespace qm
