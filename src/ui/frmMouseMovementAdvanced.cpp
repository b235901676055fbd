#include "ui/frmMouseMovementAdvanced.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "ui/common/DialogRows.h"
#include "ui/common/FixedDialog.h"
#include "ui/common/MessageBoxService.h"
#include "ui/common/TypedKeys.h"
#include "ui/common/UpDownControl.h"

namespace qm {

namespace {

const char* const kDelayName = "Movement Delay";
const char* const kXName = "X Increment";
const char* const kYName = "Y Increment";
const char* const kTopName = "Top Speed";
const char* const kTimeName = "Time to Top Speed";
const char* const kStartName = "Start at (% of speed)";

// The pointer arrow that slides along the speed-test strip, drawn for the font's size.
QPixmap CursorPicture(int height) {
    const qreal h = height;
    const qreal w = h * 0.66;
    QPixmap pixmap(static_cast<int>(std::ceil(w)), height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(w * 0.08, h * 0.04);
    arrow.lineTo(w * 0.08, h * 0.78);
    arrow.lineTo(w * 0.3, h * 0.6);
    arrow.lineTo(w * 0.48, h * 0.95);
    arrow.lineTo(w * 0.64, h * 0.88);
    arrow.lineTo(w * 0.46, h * 0.54);
    arrow.lineTo(w * 0.9, h * 0.54);
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::black, std::max(1.0, h / 18.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);
    return pixmap;
}

// What the key filter lets through, held to for text that arrives without keys (pasted or
// dropped): digits, at most maxLength of them. The decimal point is let through too, so that a
// stored fractional value the program showed stays editable with Delete.
class ValueTextValidator final : public QValidator {
public:
    ValueTextValidator(int maxLength, QObject* parent) : QValidator(parent), maxLength_(maxLength) {}

    State validate(QString& input, int& /*pos*/) const override {
        if (input.size() > maxLength_) {
            return Invalid;
        }
        const QString point = QLocale().decimalPoint();
        for (QChar c : input) {
            if ((c < QLatin1Char('0') || c > QLatin1Char('9')) && !point.contains(c)) {
                return Invalid;
            }
        }
        return Acceptable;
    }

private:
    int maxLength_;
};

QLineEdit* AddValueRow(QDialog* dialog, QGridLayout* grid, int row, const QString& caption,
                       const char* boxName, const char* upDownName, int min, int max, int step,
                       const QString& unit, int maxLength = 3) {
    auto* label = new QLabel(caption, dialog);
    auto* box = new QLineEdit(dialog);
    box->setObjectName(QString::fromLatin1(boxName));
    box->setAccessibleName(caption.chopped(1));
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(maxLength + 2, QLatin1Char('0'))) + 12);
    label->setBuddy(box);
    // A pasted "-5" or "1e3" would otherwise reach OK as a negative or oversized value.
    box->setValidator(new ValueTextValidator(maxLength, box));
    AcceptDigitsOnly(box);
    auto* upDown = new UpDownControl(dialog);
    upDown->setObjectName(QString::fromLatin1(upDownName));
    upDown->SetRange(min, max);
    upDown->SetIncrement(step);
    upDown->SetBuddy(box);
    auto* field = new QHBoxLayout;
    field->setSpacing(0);
    field->addWidget(box);
    field->addWidget(upDown);
    grid->addWidget(label, row, 0);
    grid->addLayout(field, row, 1);
    grid->addWidget(new QLabel(unit, dialog), row, 2);
    return box;
}

// Read back with the same locale the text was shown in.
std::optional<double> ParseNumber(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

frmMouseMovementAdvanced::frmMouseMovementAdvanced(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMouseMovementAdvanced"));
    setWindowTitle(QStringLiteral("Mouse Movement : Advanced"));

    auto* values = new QGridLayout;
    txtMovementDelay_ = AddValueRow(this, values, 0, tr("Movement Delay:"), "txtMovementDelay", "updDelay", 0,
                                    500, 5, tr("(ms)"));
    txtXIncrement_ = AddValueRow(this, values, 1, tr("X Increment:"), "txtXIncrement", "updXIncrement", 1, 10,
                                 1, tr("(px)"));
    txtYIncrement_ = AddValueRow(this, values, 2, tr("Y Increment:"), "txtYIncrement", "updYIncrement", 1, 10,
                                 1, tr("(px)"));
    values->setColumnStretch(3, 1);

    auto* fraBouncyMouse = new QGroupBox(tr("Bouncy Mouse"), this);
    fraBouncyMouse->setObjectName(QStringLiteral("fraBouncyMouse"));
    chkBouncyMouseEnabled_ = new QCheckBox(tr("Enable Bouncy Mouse"), fraBouncyMouse);
    chkBouncyMouseEnabled_->setObjectName(QStringLiteral("chkBouncyMouseEnabled"));
    optBouncyMouse90Degrees_ = new QRadioButton(tr("Bounce at 90 degrees"), fraBouncyMouse);
    optBouncyMouse90Degrees_->setObjectName(QStringLiteral("optBouncyMouse90Degrees"));
    optBouncyMouse180Degrees_ = new QRadioButton(tr("Bounce at 180 degrees"), fraBouncyMouse);
    optBouncyMouse180Degrees_->setObjectName(QStringLiteral("optBouncyMouse180Degrees"));
    auto* angles = new QButtonGroup(this);
    angles->addButton(optBouncyMouse90Degrees_);
    angles->addButton(optBouncyMouse180Degrees_);
    auto* bouncy = new QVBoxLayout(fraBouncyMouse);
    bouncy->addWidget(chkBouncyMouseEnabled_);
    bouncy->addWidget(optBouncyMouse90Degrees_);
    bouncy->addWidget(optBouncyMouse180Degrees_);

    auto* fraAcceleration = new QGroupBox(tr("Acceleration"), this);
    fraAcceleration->setObjectName(QStringLiteral("fraAcceleration"));
    chkAcceleration_ = new QCheckBox(tr("Speed up while moving"), fraAcceleration);
    chkAcceleration_->setObjectName(QStringLiteral("chkAcceleration"));
    auto* acceleration = new QGridLayout(fraAcceleration);
    acceleration->addWidget(chkAcceleration_, 0, 0, 1, 4);
    txtAccelerationMaximum_ = AddValueRow(this, acceleration, 1, tr("Top Speed:"), "txtAccelerationMaximum",
                                          "updAccelerationMaximum", 2, 10, 1, tr("(x increments)"));
    txtAccelerationTime_ = AddValueRow(this, acceleration, 2, tr("Time to Top Speed:"), "txtAccelerationTime",
                                       "updAccelerationTime", 100, 5000, 100, tr("(ms)"), 4);
    txtAccelerationStart_ = AddValueRow(this, acceleration, 3, tr("Start at:"), "txtAccelerationStart",
                                        "updAccelerationStart", 5, 100, 5, tr("% of speed"));
    txtAccelerationStart_->setAccessibleName(QString::fromLatin1(kStartName));
    auto* lblAccelerationHint = new QLabel(tr("A slow start helps to stop on a small\n"
                                              "target: start at 25 % or less, and\n"
                                              "grow over 1000 ms or more."),
                                           fraAcceleration);
    lblAccelerationHint->setObjectName(QStringLiteral("lblAccelerationHint"));
    acceleration->addWidget(lblAccelerationHint, 4, 0, 1, 4);
    acceleration->setColumnStretch(3, 1);

    lblSpeedTest_ = new QLabel(this);
    lblSpeedTest_->setObjectName(QStringLiteral("lblSpeedTest"));
    lblSpeedTest_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    lblSpeedTest_->setBackgroundRole(QPalette::Base);
    lblSpeedTest_->setAutoFillBackground(true);
    lblSpeedTest_->setMinimumSize(kStripWidth, fontMetrics().height() * 2);
    lblSpeedTest_->setAccessibleName(tr("Speed test"));
    cmdTest_ = new QPushButton(tr("Test Speed"), this);
    cmdTest_->setObjectName(QStringLiteral("cmdTest"));
    cmdTest_->setAutoDefault(false);

    const OkCancelRow buttons = AddOkCancel(this);
    buttons.row->insertWidget(0, cmdTest_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(values);
    layout->addWidget(fraBouncyMouse);
    layout->addWidget(fraAcceleration);
    layout->addWidget(lblSpeedTest_);
    layout->addSpacing(4);
    layout->addLayout(buttons.row);
    MakeFixedDialog(this, layout);

    // Not in the layout: the test places it by its left edge in the dialog's own coordinates.
    imgCursor_ = new QLabel(this);
    imgCursor_->setObjectName(QStringLiteral("imgCursor"));
    imgCursor_->setPixmap(CursorPicture(fontMetrics().height() * 3 / 2));
    imgCursor_->adjustSize();
    imgCursor_->setAttribute(Qt::WA_TransparentForMouseEvents);
    imgCursor_->hide();

    tmrSpeedTest_ = new QTimer(this);
    tmrSpeedTest_->setObjectName(QStringLiteral("tmrSpeedTest"));
    connect(tmrSpeedTest_, &QTimer::timeout, this, &frmMouseMovementAdvanced::tmrSpeedTest_Timer);

    connect(chkBouncyMouseEnabled_, &QCheckBox::clicked, this,
            &frmMouseMovementAdvanced::chkBouncyMouseEnabled_Click);
    connect(optBouncyMouse90Degrees_, &QRadioButton::clicked, this, [this] { selectedAngle_ = 90; });
    connect(optBouncyMouse180Degrees_, &QRadioButton::clicked, this, [this] { selectedAngle_ = 180; });
    connect(cmdTest_, &QPushButton::clicked, this, &frmMouseMovementAdvanced::cmdTest_Click);
    connect(buttons.ok, &QPushButton::clicked, this, &frmMouseMovementAdvanced::OKButton_Click);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);

    MovementDelay(MovementDelay_);
    MovementIncrementX(MovementIncrementX_);
    MovementIncrementY(MovementIncrementY_);
    BouncyMouse(BouncyMouse_);
    BouncyMouseAngle(BouncyMouseAngle_);
    Acceleration(Acceleration_);
    AccelerationMaximum(AccelerationMaximum_);
    AccelerationTime(AccelerationTime_);
    AccelerationStart(AccelerationStart_);
    connect(chkAcceleration_, &QCheckBox::toggled, this, &frmMouseMovementAdvanced::EnableAccelerationValues);
}

void frmMouseMovementAdvanced::Acceleration(std::int16_t value) {
    Acceleration_ = value;
    chkAcceleration_->setChecked(value == 1);
    EnableAccelerationValues(value == 1);
}

void frmMouseMovementAdvanced::EnableAccelerationValues(bool on) {
    txtAccelerationMaximum_->setEnabled(on);
    txtAccelerationTime_->setEnabled(on);
    txtAccelerationStart_->setEnabled(on);
}

void frmMouseMovementAdvanced::AccelerationMaximum(std::int16_t value) {
    AccelerationMaximum_ = value;
    txtAccelerationMaximum_->setText(QString::number(value));
}

void frmMouseMovementAdvanced::AccelerationTime(std::int32_t value) {
    AccelerationTime_ = value;
    txtAccelerationTime_->setText(QString::number(value));
}

void frmMouseMovementAdvanced::AccelerationStart(std::int16_t value) {
    AccelerationStart_ = value;
    txtAccelerationStart_->setText(QString::number(value));
}

QString frmMouseMovementAdvanced::FormatValue(float value) {
    // The float's own shortest form ("2.5", not the double's 2.5000000...), then the locale's marks.
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    QString text = QString::fromLatin1(digits, static_cast<qsizetype>(result.ptr - digits));
    const QLocale locale;
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    text.replace(QLatin1Char('-'), locale.negativeSign());
    return text;
}

void frmMouseMovementAdvanced::MovementDelay(float value) {
    MovementDelay_ = value;
    txtMovementDelay_->setText(FormatValue(value));
}

void frmMouseMovementAdvanced::MovementIncrementX(float value) {
    MovementIncrementX_ = value;
    txtXIncrement_->setText(FormatValue(value));
}

void frmMouseMovementAdvanced::MovementIncrementY(float value) {
    MovementIncrementY_ = value;
    txtYIncrement_->setText(FormatValue(value));
}

void frmMouseMovementAdvanced::BouncyMouse(std::int16_t value) {
    BouncyMouse_ = value;
    chkBouncyMouseEnabled_->setChecked(value == 1);
    optBouncyMouse90Degrees_->setEnabled(value == 1);
    optBouncyMouse180Degrees_->setEnabled(value == 1);
}

void frmMouseMovementAdvanced::BouncyMouseAngle(std::int16_t value) {
    BouncyMouseAngle_ = value;
    // Any angle but 180 shows as 90, yet the working angle stays what it was until a click.
    (value == 180 ? optBouncyMouse180Degrees_ : optBouncyMouse90Degrees_)->setChecked(true);
    selectedAngle_ = value;
}

bool frmMouseMovementAdvanced::Edit(QWidget* owner, MovementTuning& tuning) {
    QPointer<frmMouseMovementAdvanced> dialog = new frmMouseMovementAdvanced(owner);
    dialog->MovementDelay(tuning.MovementDelay);
    dialog->MovementIncrementX(tuning.MovementIncrementX);
    dialog->MovementIncrementY(tuning.MovementIncrementY);
    dialog->BouncyMouse(tuning.BouncyMouse);
    dialog->BouncyMouseAngle(tuning.BouncyMouseAngle);
    dialog->Acceleration(tuning.Acceleration);
    dialog->AccelerationMaximum(tuning.AccelerationMaximum);
    dialog->AccelerationTime(tuning.AccelerationTime);
    dialog->AccelerationStart(tuning.AccelerationStart);
    dialog->exec();
    if (!dialog) {
        return false;  // the owner went away while the dialog was open
    }
    const MovementTuning before = tuning;
    tuning.MovementDelay = dialog->MovementDelay();
    tuning.MovementIncrementX = dialog->MovementIncrementX();
    tuning.MovementIncrementY = dialog->MovementIncrementY();
    tuning.BouncyMouse = dialog->BouncyMouse();
    tuning.BouncyMouseAngle = dialog->BouncyMouseAngle();
    tuning.Acceleration = dialog->Acceleration();
    tuning.AccelerationMaximum = dialog->AccelerationMaximum();
    tuning.AccelerationTime = dialog->AccelerationTime();
    tuning.AccelerationStart = dialog->AccelerationStart();
    delete dialog;
    return tuning.MovementDelay != before.MovementDelay ||
           tuning.MovementIncrementX != before.MovementIncrementX ||
           tuning.MovementIncrementY != before.MovementIncrementY ||
           tuning.BouncyMouse != before.BouncyMouse || tuning.BouncyMouseAngle != before.BouncyMouseAngle;
}

void frmMouseMovementAdvanced::chkBouncyMouseEnabled_Click() {
    const bool on = chkBouncyMouseEnabled_->isChecked();
    optBouncyMouse90Degrees_->setEnabled(on);
    optBouncyMouse180Degrees_->setEnabled(on);
}

std::optional<double> frmMouseMovementAdvanced::ReadNumber(QLineEdit* box, const QString& name) {
    const auto value = ParseNumber(box->text());
    if (value && std::nearbyint(*value) >= std::numeric_limits<std::int32_t>::min() &&
        std::nearbyint(*value) <= std::numeric_limits<std::int32_t>::max()) {
        return value;
    }
    MsgBox(this, QStringLiteral("Please enter a number for %1").arg(name), MsgIcon::Exclamation);
    box->setFocus();
    box->selectAll();
    return std::nullopt;
}

bool frmMouseMovementAdvanced::WithinPercent(QLineEdit* box, const char* name, double value) {
    if (value >= 1 && value <= 100) {
        return true;
    }
    MsgBox(this, QStringLiteral("%1 must be a whole number between 1 and 100").arg(QString::fromLatin1(name)),
           MsgIcon::Exclamation);
    box->setFocus();
    box->selectAll();
    return false;
}

void frmMouseMovementAdvanced::cmdTest_Click() {
    const auto delay = ReadNumber(txtMovementDelay_, QString::fromLatin1(kDelayName));
    if (!delay) {
        return;
    }
    const auto interval = static_cast<std::int32_t>(std::nearbyint(*delay));
    if (interval < 0) {
        MsgBox(
            this,
            QStringLiteral("Please enter a number of 0 or more for %1").arg(QString::fromLatin1(kDelayName)),
            MsgIcon::Exclamation);
        txtMovementDelay_->setFocus();
        txtMovementDelay_->selectAll();
        return;
    }
    // Checked here too, so that a test never starts only to fail at its first step.
    if (!ReadNumber(txtXIncrement_, QString::fromLatin1(kXName))) {
        return;
    }
    // With acceleration ticked the test grows as a movement would, slow start and all.
    speedTestCurve_.reset();
    if (chkAcceleration_->isChecked()) {
        const auto top = ReadNumber(txtAccelerationMaximum_, QString::fromLatin1(kTopName));
        const auto time =
            top ? ReadNumber(txtAccelerationTime_, QString::fromLatin1(kTimeName)) : std::nullopt;
        const auto start =
            time ? ReadNumber(txtAccelerationStart_, QString::fromLatin1(kStartName)) : std::nullopt;
        if (!start) {
            return;
        }
        speedTestCurve_.emplace(static_cast<std::int32_t>(std::nearbyint(*start)),
                                static_cast<std::int32_t>(std::nearbyint(*top)),
                                static_cast<std::int32_t>(std::nearbyint(*time)));
    }
    SetSpeedTestTimer(interval, true);
    PlaceCursor();
    imgCursor_->show();
    imgCursor_->raise();
}

void frmMouseMovementAdvanced::tmrSpeedTest_Timer() {
    if (cursorLeft_ < CursorEnd()) {
        const auto step = ParseNumber(txtXIncrement_->text());
        if (!step) {
            // The box was emptied during the test: end it before saying so, or the ticks run on.
            EndSpeedTest();
            MsgBox(this, QStringLiteral("Please enter a number for %1").arg(QString::fromLatin1(kXName)),
                   MsgIcon::Exclamation);
            return;
        }
        // The ticks stand for the movement's time: the first moves at the start share.
        const double elapsed = static_cast<double>(speedTestTicks_++) * speedTestInterval_;
        cursorLeft_ += *step * (speedTestCurve_ ? speedTestCurve_->Factor(elapsed) : 1.0);
        PlaceCursor();
    } else {
        EndSpeedTest();
    }
}

double frmMouseMovementAdvanced::CursorEnd() const {
    // Larger text stretches the strip; the run stretches with it, so that it ends as near the
    // strip's right end as at the strip's own width.
    return kCursorEnd + std::max(0, lblSpeedTest_->width() - kStripWidth);
}

void frmMouseMovementAdvanced::EndSpeedTest() {
    cursorLeft_ = kCursorStart;
    speedTestTicks_ = 0;
    PlaceCursor();
    imgCursor_->hide();
    SetSpeedTestTimer(speedTestInterval_, false);
}

void frmMouseMovementAdvanced::SetSpeedTestTimer(int interval, bool enabled) {
    speedTestInterval_ = interval;
    speedTestEnabled_ = enabled;
    if (enabled && interval > 0) {
        tmrSpeedTest_->start(interval);
    } else {
        tmrSpeedTest_->stop();
    }
}

void frmMouseMovementAdvanced::PlaceCursor() {
    const QRect strip = lblSpeedTest_->geometry();
    imgCursor_->move(static_cast<int>(std::lround(cursorLeft_)),
                     strip.center().y() - imgCursor_->height() / 2);
}

void frmMouseMovementAdvanced::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceCursor();
}

void frmMouseMovementAdvanced::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceCursor();
}

void frmMouseMovementAdvanced::done(int result) {
    // A test still running when the dialog closes ends with it.
    EndSpeedTest();
    QDialog::done(result);
}

void frmMouseMovementAdvanced::OKButton_Click() {
    const auto delay = ReadNumber(txtMovementDelay_, QString::fromLatin1(kDelayName));
    if (!delay) {
        return;
    }
    const auto x = ReadNumber(txtXIncrement_, QString::fromLatin1(kXName));
    if (!x) {
        return;
    }
    const auto y = ReadNumber(txtYIncrement_, QString::fromLatin1(kYName));
    if (!y) {
        return;
    }
    // Acceleration's values are read only while it is on: off, they are kept as they were.
    const bool accelerate = chkAcceleration_->isChecked();
    std::optional<double> top = AccelerationMaximum_;
    std::optional<double> time = AccelerationTime_;
    std::optional<double> start = AccelerationStart_;
    if (accelerate) {
        top = ReadNumber(txtAccelerationMaximum_, QString::fromLatin1(kTopName));
        if (!top) {
            return;
        }
        if (!WithinPercent(txtAccelerationMaximum_, kTopName, *top)) {
            return;
        }
        time = ReadNumber(txtAccelerationTime_, QString::fromLatin1(kTimeName));
        if (!time) {
            return;
        }
        start = ReadNumber(txtAccelerationStart_, QString::fromLatin1(kStartName));
        if (!start) {
            return;
        }
        if (!WithinPercent(txtAccelerationStart_, kStartName, std::nearbyint(*start))) {
            return;
        }
    }
    if (txtXIncrement_->text() != txtYIncrement_->text()) {
        const auto answer =
            MsgBox(this,
                   QStringLiteral("X and Y increment values are not the same - this will result in "
                                  "erratic movement behaviour\r\n\r\nAre you sure you want to continue"),
                   MsgIcon::Question, MsgButtons::YesNo);
        if (answer != MsgResult::Yes) {
            return;
        }
    }
    accept();
    const std::int16_t bouncy = chkBouncyMouseEnabled_->isChecked() ? 1 : 0;
    const bool changed = static_cast<float>(*delay) != MovementDelay_ ||
                         static_cast<float>(*x) != MovementIncrementX_ ||
                         static_cast<float>(*y) != MovementIncrementY_ || bouncy != BouncyMouse_ ||
                         (selectedAngle_ != BouncyMouseAngle_ && optBouncyMouse90Degrees_->isEnabled());
    if (changed) {
        MovementDelay_ = static_cast<float>(*delay);
        MovementIncrementX_ = static_cast<float>(*x);
        MovementIncrementY_ = static_cast<float>(*y);
        BouncyMouse_ = bouncy;
        BouncyMouseAngle_ = selectedAngle_;
    }
    Acceleration_ = accelerate ? 1 : 0;
    AccelerationMaximum_ = static_cast<std::int16_t>(std::nearbyint(*top));
    AccelerationTime_ = static_cast<std::int32_t>(std::nearbyint(*time));
    AccelerationStart_ = static_cast<std::int16_t>(std::nearbyint(*start));
}

}  // namespace qm
