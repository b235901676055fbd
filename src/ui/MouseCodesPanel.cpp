#include "ui/MouseCodesPanel.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "ui/PendingState.h"
#include "ui/common/TypedKeys.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmMouseClickASCIIValue.h"

namespace qm {

// ---- Hotspot ----

void Hotspot::mouseMoveEvent(QMouseEvent* event) {
    emit Hovered();
    event->accept();
}

void Hotspot::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void Hotspot::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) {
        emit Clicked();
    }
}

// ---- CodeSpot ----

CodeSpot::CodeSpot(const QString& what, Face face, QWidget* parent)
    : QAbstractButton(parent), what_(what), face_(std::move(face)) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(what_);
}

void CodeSpot::ShowCode(int code) {
    const QString text = QString::number(code);
    if (text != this->text()) {
        setText(text);
        setAccessibleName(what_ + QStringLiteral(": ") + text);
    }
}

void CodeSpot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = face_(painter, QRectF(rect()), text());
    if (hasFocus()) {
        // Drawn over the picture in the highlight colour, thick enough to be seen from a distance.
        const double thick = std::max(2.0, height() * 0.08);
        painter.strokePath(outline, QPen(palette().color(QPalette::Highlight), thick));
    }
}

void CodeSpot::keyPressEvent(QKeyEvent* event) {
    // Space is the button's own; Enter presses it as well, as it does a dialog's focused button.
    if (PressesControl(*event, false)) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CodeSpot::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    // Taken here: the picture below would empty the hover texts.
    event->accept();
    emit Hovered();
}

// ---- CodePicture ----

CodePicture::CodePicture(Painter painter, double widthInLines, double heightInLines, QWidget* parent)
    : QWidget(parent),
      painter_(std::move(painter)),
      widthInLines_(widthInLines),
      heightInLines_(heightInLines) {
    setMouseTracking(true);
    FitToFont();
}

Hotspot* CodePicture::AddHotspot(const QString& name, const QRectF& fraction) {
    auto* hotspot = new Hotspot(this);
    hotspot->setObjectName(name);
    hotspot->setMouseTracking(true);
    hotspot->setCursor(Qt::PointingHandCursor);
    Place(hotspot, fraction);
    return hotspot;
}

void CodePicture::Place(QWidget* child, const QRectF& fraction) {
    placed_.emplace_back(child, fraction);
    PlaceHotspots();
}

QSize CodePicture::sizeHint() const {
    const int line = fontMetrics().height();
    return {static_cast<int>(std::lround(widthInLines_ * line)),
            static_cast<int>(std::lround(heightInLines_ * line))};
}

void CodePicture::FitToFont() {
    setFixedSize(sizeHint());
    PlaceHotspots();
}

void CodePicture::PlaceHotspots() {
    const double w = width();
    const double h = height();
    for (const auto& [child, f] : placed_) {
        child->setGeometry(QRectF(f.x() * w, f.y() * h, f.width() * w, f.height() * h).toRect());
    }
}

void CodePicture::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter_(painter, QRectF(rect()));
}

void CodePicture::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceHotspots();
}

void CodePicture::mouseMoveEvent(QMouseEvent* event) {
    emit PictureHovered();
    event->accept();
}

void CodePicture::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FitToFont();
    }
}

// ---- The pictures ----

namespace {

QPointF Polar(const QPointF& centre, double radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    return {centre.x() + radius * std::sin(radians), centre.y() - radius * std::cos(radians)};
}

// Fractions of the compass picture: where each point's spot sits, and how large it is.
constexpr double kBadgeRadius = 0.37;
constexpr double kBadgeSize = 0.22;
constexpr double kStopSize = 0.28;

QRectF BadgeFraction(double degrees) {
    const QPointF centre = Polar(QPointF(0.5, 0.5), kBadgeRadius, degrees);
    return {centre.x() - kBadgeSize / 2, centre.y() - kBadgeSize / 2, kBadgeSize, kBadgeSize};
}

void SetFont(QPainter& painter, double pixels, bool bold) {
    QFont font = painter.font();
    font.setBold(bold);
    font.setPixelSize(std::max(7, static_cast<int>(pixels)));
    painter.setFont(font);
}

// A name over a code, both centred on the area (the name alone while there is no code); the code
// is the larger, as it is what the user looks for.
void DrawNameOverCode(QPainter& painter, const QRectF& area, const QString& name, double namePixels,
                      const QString& code, double codePixels) {
    SetFont(painter, namePixels, true);
    if (code.isEmpty()) {
        painter.drawText(area, Qt::AlignCenter, name);
        return;
    }
    const double half = area.height() * 0.42;
    const double middle = area.center().y();
    painter.drawText(QRectF(area.left(), middle - half, area.width(), half),
                     Qt::AlignHCenter | Qt::AlignBottom, name);
    SetFont(painter, codePixels, false);
    painter.drawText(QRectF(area.left(), middle, area.width(), half), Qt::AlignHCenter | Qt::AlignTop, code);
}

// A compass point's spot: a white disc with the point's letters over its code.
CodeSpot::Face PointFace(const QString& letters) {
    return [letters](QPainter& painter, const QRectF& area, const QString& code) {
        const double side = std::min(area.width(), area.height()) * 0.9;
        const QRectF disc(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
        painter.setPen(QPen(QColor(0x24, 0x4a, 0x7c), std::max(1.0, side * 0.05)));
        painter.setBrush(Qt::white);
        painter.drawEllipse(disc);
        painter.setPen(QColor(0x1a, 0x2a, 0x40));
        DrawNameOverCode(painter, disc, letters, side * 0.26, code, side * 0.32);
        QPainterPath outline;
        outline.addEllipse(disc);
        return outline;
    };
}

// The stop sign in the middle of the compass, with its code.
QPainterPath StopFace(QPainter& painter, const QRectF& area, const QString& code) {
    const double r = std::min(area.width(), area.height()) * 0.46;
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        octagon << Polar(area.center(), r, 22.5 + i * 45.0);
    }
    painter.setPen(QPen(Qt::white, std::max(1.0, r * 0.05)));
    painter.setBrush(QColor(0xc6, 0x28, 0x28));
    painter.drawPolygon(octagon);
    painter.setPen(Qt::white);
    DrawNameOverCode(painter, QRectF(area.center().x() - r, area.center().y() - r * 0.85, 2 * r, 1.7 * r),
                     QStringLiteral("STOP"), r * 0.36, code, r * 0.44);
    QPainterPath outline;
    outline.addPolygon(octagon);
    outline.closeSubpath();
    return outline;
}

// A mouse button's click code: the click's mark and the code, on one line.
CodeSpot::Face ClickFace(const QString& mark) {
    return [mark](QPainter& painter, const QRectF& area, const QString& code) {
        SetFont(painter, std::min(area.height() * 0.62, area.width() / 3.4), true);
        painter.setPen(QColor(0x24, 0x4a, 0x7c));
        painter.drawText(area, Qt::AlignCenter, code.isEmpty() ? mark : mark + QLatin1Char(' ') + code);
        QPainterPath outline;
        outline.addRoundedRect(area.adjusted(1, 1, -1, -1), area.height() * 0.3, area.height() * 0.3);
        return outline;
    };
}

}  // namespace

void DrawCompass(QPainter& painter, const QRectF& area) {
    const double side = std::min(area.width(), area.height());
    const QPointF c = area.center();
    painter.save();

    painter.setPen(QPen(QColor(0x5a, 0x6b, 0x85), side * 0.012));
    painter.setBrush(QColor(0xf3, 0xf6, 0xfb));
    painter.drawEllipse(c, side * 0.485, side * 0.485);
    painter.setPen(QPen(QColor(0xb4, 0xc0, 0xd2), side * 0.006));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(c, side * 0.27, side * 0.27);

    // The rose: each point a kite from the centre, one half dark and one light. The points' spots
    // and the stop sign lie over it.
    for (int i = 0; i < 8; ++i) {
        const double angle = i * 45.0;
        const bool cardinal = i % 2 == 0;
        const double reach = side * (cardinal ? 0.3 : 0.24);
        const double half = side * (cardinal ? 0.055 : 0.04);
        const QPointF tip = Polar(c, reach, angle);
        const QPointF left = Polar(c, half, angle - 45.0);
        const QPointF right = Polar(c, half, angle + 45.0);
        const QColor dark = cardinal ? QColor(0x24, 0x4a, 0x7c) : QColor(0x5f, 0x67, 0x73);
        const QColor light = cardinal ? QColor(0x7a, 0x9f, 0xd1) : QColor(0xb3, 0xba, 0xc4);
        painter.setPen(Qt::NoPen);
        QPainterPath darkHalf;
        darkHalf.moveTo(c);
        darkHalf.lineTo(left);
        darkHalf.lineTo(tip);
        darkHalf.closeSubpath();
        painter.fillPath(darkHalf, dark);
        QPainterPath lightHalf;
        lightHalf.moveTo(c);
        lightHalf.lineTo(right);
        lightHalf.lineTo(tip);
        lightHalf.closeSubpath();
        painter.fillPath(lightHalf, light);
    }
    painter.restore();
}

namespace {

// Fractions of the mouse picture.
constexpr double kBodyLeft = 0.1;
constexpr double kBodyRight = 0.9;
constexpr double kBodyTop = 0.14;
constexpr double kBodyBottom = 0.97;
constexpr double kButtonLine = 0.55;
const QRectF kLeftButton(0.13, 0.16, 0.35, 0.37);
const QRectF kRightButton(0.52, 0.16, 0.35, 0.37);

// Parts of a button: its letter at the top, then its single click's code and its double click's.
QRectF ButtonPart(const QRectF& button, double top, double height) {
    return {button.x() + 0.01, button.y() + top * button.height(), button.width() - 0.02,
            height * button.height()};
}
QRectF LetterPart(const QRectF& button) {
    return ButtonPart(button, 0.05, 0.25);
}
QRectF ClickPart(const QRectF& button, bool twice) {
    return ButtonPart(button, twice ? 0.64 : 0.31, 0.32);
}

}  // namespace

void DrawMouse(QPainter& painter, const QRectF& area) {
    const double w = area.width();
    const double h = area.height();
    auto at = [&](double fx, double fy) { return QPointF(area.left() + fx * w, area.top() + fy * h); };
    painter.save();

    // The cable first, so the body covers its end.
    QPainterPath cable;
    cable.moveTo(at(0.5, kBodyTop + 0.01));
    cable.cubicTo(at(0.5, 0.06), at(0.72, 0.08), at(0.74, 0.0));
    painter.setPen(QPen(QColor(0x4a, 0x55, 0x66), std::max(1.5, w * 0.025), Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(cable);

    const QRectF body(at(kBodyLeft, kBodyTop), at(kBodyRight, kBodyBottom));
    QPainterPath outline;
    outline.addRoundedRect(body, body.width() * 0.46, body.height() * 0.3);
    painter.setPen(QPen(QColor(0x3b, 0x46, 0x57), std::max(1.5, w * 0.02)));
    painter.setBrush(QColor(0xe6, 0xea, 0xf0));
    painter.drawPath(outline);

    // The two buttons: the body's top cut at the button line and split in the middle.
    const double lineY = at(0, kButtonLine).y();
    const double midX = at(0.5, 0).x();
    QPainterPath leftArea;
    leftArea.addRect(QRectF(QPointF(body.left(), body.top()), QPointF(midX, lineY)));
    QPainterPath rightArea;
    rightArea.addRect(QRectF(QPointF(midX, body.top()), QPointF(body.right(), lineY)));
    painter.setPen(Qt::NoPen);
    painter.fillPath(outline.intersected(leftArea), QColor(0xc9, 0xd6, 0xea));
    painter.fillPath(outline.intersected(rightArea), QColor(0xc9, 0xd6, 0xea));
    painter.setPen(QPen(QColor(0x3b, 0x46, 0x57), std::max(1.0, w * 0.015)));
    painter.drawLine(QPointF(body.left() + w * 0.01, lineY), QPointF(body.right() - w * 0.01, lineY));
    painter.drawLine(QPointF(midX, body.top()), QPointF(midX, lineY));

    // Each button's letter; its codes' spots lie below it.
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(8, static_cast<int>(w * 0.1)));
    painter.setFont(font);
    painter.setPen(QColor(0x24, 0x4a, 0x7c));
    auto scaled = [&](const QRectF& f) { return QRectF(at(f.left(), f.top()), at(f.right(), f.bottom())); };
    painter.drawText(scaled(LetterPart(kLeftButton)), Qt::AlignCenter, QStringLiteral("L"));
    painter.drawText(scaled(LetterPart(kRightButton)), Qt::AlignCenter, QStringLiteral("R"));
    painter.restore();
}

// A code's accessors in the working copy, whose settings are reached only through them.
template <typename T>
struct CodeAccess {
    T (WorkingCopy::*get)() const;
    void (WorkingCopy::*set)(T);
};

// ---- CompassCodesPanel ----

struct CompassCodesPanel::Point {
    const char* object;
    CodeAccess<std::int16_t> code;
    const char* title;  // none for Stop: its dialog keeps the bare caption
    const char* name;
    double degrees;  // below zero: the centre
};

CompassCodesPanel::CompassCodesPanel(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    auto* imgCompass = new CodePicture(DrawCompass, 13.0, 13.0, this);
    imgCompass->setObjectName(QStringLiteral("imgCompass"));
    imgCompass->setAccessibleName(tr("Compass"));
    connect(imgCompass, &CodePicture::PictureHovered, this, &CompassCodesPanel::ClearHover);

    // Made in the order of the points, which is the order Tab takes them in: round the compass
    // from North, then Stop.
    for (const Point* point = Points(); point->object != nullptr; ++point) {
        const bool stop = point->degrees < 0;
        // A point's letters are its object's name after the prefix ("lblNE").
        auto* spot = new CodeSpot(
            QString::fromLatin1(point->name),
            stop ? CodeSpot::Face(StopFace) : PointFace(QString::fromLatin1(point->object + 3)), imgCompass);
        spot->setObjectName(QString::fromLatin1(point->object));
        imgCompass->Place(spot, stop ? QRectF(0.5 - kStopSize / 2, 0.5 - kStopSize / 2, kStopSize, kStopSize)
                                     : BadgeFraction(point->degrees));
        connect(spot, &CodeSpot::Hovered, this, [this, point] { ShowPoint(*point); });
        connect(spot, &CodeSpot::clicked, this, [this, point] { EditPoint(*point); });
        spots_.push_back(spot);
    }

    auto* hint = new QLabel(tr("Click a point on the compass to edit its ASCII value."), this);
    hint->setObjectName(QStringLiteral("lblCompassHint"));
    hint->setWordWrap(true);
    hint->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Click a point on the")));

    auto* directionCaption = new QLabel(tr("Direction:"), this);
    lblDirection_ = new QLabel(this);
    lblDirection_->setObjectName(QStringLiteral("lblDirection"));
    lblDirection_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("North East  ")));
    auto* codeCaption = new QLabel(tr("ASCII Code:"), this);
    lblASCIICode_ = new QLabel(this);
    lblASCIICode_->setObjectName(QStringLiteral("lblASCIICode"));

    auto* readout = new QGridLayout;
    readout->addWidget(directionCaption, 0, 0);
    readout->addWidget(lblDirection_, 0, 1);
    readout->addWidget(codeCaption, 1, 0);
    readout->addWidget(lblASCIICode_, 1, 1);
    readout->setColumnStretch(1, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(hint);
    side->addSpacing(fontMetrics().height());
    side->addLayout(readout);
    side->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(imgCompass, 0, Qt::AlignTop);
    layout->addSpacing(fontMetrics().height());
    layout->addLayout(side, 1);
}

const CompassCodesPanel::Point* CompassCodesPanel::Points() {
    static const CompassCodesPanel::Point points[] = {
        {"lblN", {&WorkingCopy::N_ASCII, &WorkingCopy::N_ASCII}, "N Mouse Movement", "North", 0.0},
        {"lblNE", {&WorkingCopy::NE_ASCII, &WorkingCopy::NE_ASCII}, "NE Mouse Movement", "North East", 45.0},
        {"lblE", {&WorkingCopy::E_ASCII, &WorkingCopy::E_ASCII}, "E Mouse Movement", "East", 90.0},
        {"lblSE", {&WorkingCopy::SE_ASCII, &WorkingCopy::SE_ASCII}, "SE Mouse Movement", "South East", 135.0},
        {"lblS", {&WorkingCopy::S_ASCII, &WorkingCopy::S_ASCII}, "S Mouse Movement", "South", 180.0},
        {"lblSW", {&WorkingCopy::SW_ASCII, &WorkingCopy::SW_ASCII}, "SW Mouse Movement", "South West", 225.0},
        {"lblW", {&WorkingCopy::W_ASCII, &WorkingCopy::W_ASCII}, "W Mouse Movement", "West", 270.0},
        {"lblNW", {&WorkingCopy::NW_ASCII, &WorkingCopy::NW_ASCII}, "NW Mouse Movement", "North West", 315.0},
        {"lblStop", {&WorkingCopy::STOP_ASCII, &WorkingCopy::STOP_ASCII}, nullptr, "Stop", -1.0},
        {nullptr, {}, nullptr, nullptr, 0.0},
    };
    return points;
}

void CompassCodesPanel::SetWorkingCopy(WorkingCopy* working) {
    working_ = working;
    ShowCodes();
}

void CompassCodesPanel::ShowCodes() {
    if (working_ != nullptr) {
        for (std::size_t i = 0; i < spots_.size(); ++i) {
            spots_[i]->ShowCode((working_->*Points()[i].code.get)());
        }
    }
}

void CompassCodesPanel::ClearHover() {
    lblDirection_->clear();
    lblASCIICode_->clear();
}

void CompassCodesPanel::mouseMoveEvent(QMouseEvent* event) {
    ClearHover();
    event->accept();
}

void CompassCodesPanel::ShowPoint(const Point& point) {
    lblDirection_->setText(QString::fromLatin1(point.name));
    lblASCIICode_->setText(working_ != nullptr ? QString::number((working_->*point.code.get)()) : QString());
}

void CompassCodesPanel::EditPoint(const Point& point) {
    if (working_ == nullptr) {
        return;
    }
    // The dialog belongs to the window; should the window go while it is open, nothing is read back.
    QPointer<CompassCodesPanel> self(this);
    QPointer<frmASCIIValue> dialog = new frmASCIIValue(window());
    dialog->ASCIIValue((working_->*point.code.get)());
    if (point.title != nullptr) {
        dialog->TitleText(QString::fromLatin1(point.title));
    }
    if (handshaking_) {
        dialog->Handshaking(handshaking_());
    }
    dialog->Listening(listening_);
    dialog->exec();
    if (!self || !dialog) {
        return;
    }
    (working_->*point.code.set)(dialog->ASCIIValue());
    delete dialog;
    ShowCodes();
    emit CodesEdited();
}

// ---- ButtonCodesPanel ----

struct ButtonCodesPanel::Button {
    const char* object;
    CodeAccess<std::int32_t> single;
    CodeAccess<std::int32_t> twice;
    const char* title;
    const char* name;
};

ButtonCodesPanel::ButtonCodesPanel(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    auto* imgMouse = new CodePicture(DrawMouse, 7.5, 11.0, this);
    imgMouse->setObjectName(QStringLiteral("imgMouse"));
    imgMouse->setAccessibleName(tr("Mouse"));
    connect(imgMouse, &CodePicture::PictureHovered, this, &ButtonCodesPanel::ClearHover);

    // The hotspot takes a click anywhere on its button; its two codes' spots, over it, are what
    // the keyboard and assistive tools reach, left before right and single before double.
    const Button* buttons = Buttons();
    for (int i = 0; i < 2; ++i) {
        const Button* button = &buttons[i];
        const QRectF& area = i == 0 ? kLeftButton : kRightButton;
        Hotspot* hotspot = imgMouse->AddHotspot(QString::fromLatin1(button->object), area);
        hotspot->setAccessibleName(QString::fromLatin1(button->title));
        connect(hotspot, &Hotspot::Hovered, this, [this, button] { ShowButton(*button); });
        connect(hotspot, &Hotspot::Clicked, this, [this, button] { EditButton(*button); });
        const QString name = QString::fromLatin1(button->name);
        for (const bool twice : {false, true}) {
            auto* spot = new CodeSpot(name + (twice ? tr(" Double Click") : tr(" Click")),
                                      ClickFace(twice ? QStringLiteral("D") : QStringLiteral("S")), imgMouse);
            spot->setObjectName(QStringLiteral("lbl") + name + (twice ? "DClick" : "SClick"));
            imgMouse->Place(spot, ClickPart(area, twice));
            connect(spot, &CodeSpot::Hovered, this, [this, button] { ShowButton(*button); });
            connect(spot, &CodeSpot::clicked, this, [this, button] { EditButton(*button); });
            spots_.push_back(spot);
        }
    }

    auto* grid = new QGridLayout;
    auto addRow = [&](int row, const QString& caption, const char* name) {
        auto* label = new QLabel(caption, this);
        auto* value = new QLabel(this);
        value->setObjectName(QString::fromLatin1(name));
        value->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Right  ")));
        grid->addWidget(label, row, 0);
        grid->addWidget(value, row, 1);
        return value;
    };
    lblButtonName_ = addRow(0, tr("Button:"), "lblButtonName");
    lblSClickASCII_ = addRow(1, tr("S Click ASCII Code:"), "lblSClickASCII");
    lblDClickASCII_ = addRow(2, tr("D Click ASCII Code:"), "lblDClickASCII");
    grid->setColumnStretch(1, 1);

    // The picture gives no sign that it can be clicked until the mouse is over a button.
    auto* hint = new QLabel(tr("Click a button on the mouse to edit its ASCII values."), this);
    hint->setObjectName(QStringLiteral("lblMouseHint"));
    hint->setWordWrap(true);
    hint->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Click a button on")));

    auto* side = new QVBoxLayout;
    side->addWidget(hint);
    side->addSpacing(fontMetrics().height());
    side->addLayout(grid);
    side->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(imgMouse, 0, Qt::AlignTop);
    layout->addSpacing(fontMetrics().height());
    layout->addLayout(side, 1);
}

const ButtonCodesPanel::Button* ButtonCodesPanel::Buttons() {
    static const ButtonCodesPanel::Button buttons[] = {
        {"lblLeftButton",
         {&WorkingCopy::LEFT_SCLICK_ASCII, &WorkingCopy::LEFT_SCLICK_ASCII},
         {&WorkingCopy::LEFT_DCLICK_ASCII, &WorkingCopy::LEFT_DCLICK_ASCII},
         "Left Button",
         "Left"},
        {"lblRightButton",
         {&WorkingCopy::RIGHT_SCLICK_ASCII, &WorkingCopy::RIGHT_SCLICK_ASCII},
         {&WorkingCopy::RIGHT_DCLICK_ASCII, &WorkingCopy::RIGHT_DCLICK_ASCII},
         "Right Button",
         "Right"},
    };
    return buttons;
}

void ButtonCodesPanel::SetWorkingCopy(WorkingCopy* working) {
    working_ = working;
    ShowCodes();
}

void ButtonCodesPanel::ShowCodes() {
    if (working_ != nullptr) {
        for (std::size_t i = 0; i < spots_.size(); ++i) {
            const Button& button = Buttons()[i / 2];
            spots_[i]->ShowCode((working_->*(i % 2 == 0 ? button.single : button.twice).get)());
        }
    }
}

void ButtonCodesPanel::ClearHover() {
    lblButtonName_->clear();
    lblSClickASCII_->clear();
    lblDClickASCII_->clear();
}

void ButtonCodesPanel::mouseMoveEvent(QMouseEvent* event) {
    ClearHover();
    event->accept();
}

void ButtonCodesPanel::ShowButton(const Button& button) {
    lblButtonName_->setText(QString::fromLatin1(button.name));
    if (working_ == nullptr) {
        lblSClickASCII_->clear();
        lblDClickASCII_->clear();
        return;
    }
    lblSClickASCII_->setText(QString::number((working_->*button.single.get)()));
    lblDClickASCII_->setText(QString::number((working_->*button.twice.get)()));
}

void ButtonCodesPanel::EditButton(const Button& button) {
    if (working_ == nullptr) {
        return;
    }
    QPointer<ButtonCodesPanel> self(this);
    QPointer<frmMouseClickASCIIValue> dialog = new frmMouseClickASCIIValue(window());
    // The record keeps the click codes in 16 bits, so their widened values always narrow back.
    dialog->SClickASCIIValue(static_cast<std::int16_t>((working_->*button.single.get)()));
    dialog->DClickASCIIValue(static_cast<std::int16_t>((working_->*button.twice.get)()));
    dialog->TitleText(QString::fromLatin1(button.title));
    if (handshaking_) {
        dialog->Handshaking(handshaking_());
    }
    dialog->Listening(listening_);
    dialog->exec();
    if (!self || !dialog) {
        return;
    }
    (working_->*button.single.set)(dialog->SClickASCIIValue());
    (working_->*button.twice.set)(dialog->DClickASCIIValue());
    delete dialog;
    ShowCodes();
    emit CodesEdited();
}

}  // namespace qm
