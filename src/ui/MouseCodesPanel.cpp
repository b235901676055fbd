#include "ui/MouseCodesPanel.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "ui/PendingState.h"
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
    hotspots_.emplace_back(hotspot, fraction);
    PlaceHotspots();
    return hotspot;
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
    for (const auto& [hotspot, f] : hotspots_) {
        hotspot->setGeometry(QRectF(f.x() * w, f.y() * h, f.width() * w, f.height() * h).toRect());
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

// Fractions of the compass picture: where each point's badge sits, and how large it is.
constexpr double kBadgeRadius = 0.37;
constexpr double kBadgeSize = 0.2;
constexpr double kStopSize = 0.24;

QRectF BadgeFraction(double degrees) {
    const QPointF centre = Polar(QPointF(0.5, 0.5), kBadgeRadius, degrees);
    return {centre.x() - kBadgeSize / 2, centre.y() - kBadgeSize / 2, kBadgeSize, kBadgeSize};
}

const char* const kPointLetters[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

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

    // The rose: each point a kite from the centre, one half dark and one light.
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

    // A badge on every point, where its hotspot lies.
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(8, static_cast<int>(side * 0.062)));
    painter.setFont(font);
    for (int i = 0; i < 8; ++i) {
        const QRectF f = BadgeFraction(i * 45.0);
        const QRectF badge(area.left() + f.x() * area.width(), area.top() + f.y() * area.height(),
                           f.width() * area.width(), f.height() * area.height());
        const QRectF disc = badge.adjusted(badge.width() * 0.08, badge.height() * 0.08, -badge.width() * 0.08,
                                           -badge.height() * 0.08);
        painter.setPen(QPen(QColor(0x24, 0x4a, 0x7c), side * 0.01));
        painter.setBrush(Qt::white);
        painter.drawEllipse(disc);
        painter.setPen(QColor(0x1a, 0x2a, 0x40));
        painter.drawText(disc, Qt::AlignCenter, QString::fromLatin1(kPointLetters[i]));
    }

    // The stop sign in the middle.
    const double r = side * kStopSize * 0.46;
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        octagon << Polar(c, r, 22.5 + i * 45.0);
    }
    painter.setPen(QPen(Qt::white, side * 0.012));
    painter.setBrush(QColor(0xc6, 0x28, 0x28));
    painter.drawPolygon(octagon);
    font.setPixelSize(std::max(7, static_cast<int>(side * 0.048)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), Qt::AlignCenter, QStringLiteral("STOP"));
    painter.restore();
}

namespace {

// Fractions of the mouse picture.
constexpr double kBodyLeft = 0.1;
constexpr double kBodyRight = 0.9;
constexpr double kBodyTop = 0.14;
constexpr double kBodyBottom = 0.97;
constexpr double kButtonLine = 0.5;
const QRectF kLeftButton(0.13, 0.17, 0.35, 0.31);
const QRectF kRightButton(0.52, 0.17, 0.35, 0.31);

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

    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(8, static_cast<int>(w * 0.1)));
    painter.setFont(font);
    painter.setPen(QColor(0x24, 0x4a, 0x7c));
    auto scaled = [&](const QRectF& f) { return QRectF(at(f.left(), f.top()), at(f.right(), f.bottom())); };
    painter.drawText(scaled(kLeftButton), Qt::AlignCenter, QStringLiteral("L"));
    painter.drawText(scaled(kRightButton), Qt::AlignCenter, QStringLiteral("R"));
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
    auto* imgCompass = new CodePicture(DrawCompass, 11.0, 11.0, this);
    imgCompass->setObjectName(QStringLiteral("imgCompass"));
    imgCompass->setAccessibleName(tr("Compass"));
    connect(imgCompass, &CodePicture::PictureHovered, this, &CompassCodesPanel::ClearHover);

    for (const Point* point = Points(); point->object != nullptr; ++point) {
        const QRectF fraction = point->degrees < 0
                                    ? QRectF(0.5 - kStopSize / 2, 0.5 - kStopSize / 2, kStopSize, kStopSize)
                                    : BadgeFraction(point->degrees);
        Hotspot* hotspot = imgCompass->AddHotspot(QString::fromLatin1(point->object), fraction);
        hotspot->setAccessibleName(QString::fromLatin1(point->name));
        connect(hotspot, &Hotspot::Hovered, this, [this, point] { ShowPoint(*point); });
        connect(hotspot, &Hotspot::Clicked, this, [this, point] { EditPoint(*point); });
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
    dialog->exec();
    if (!self || !dialog) {
        return;
    }
    (working_->*point.code.set)(dialog->ASCIIValue());
    delete dialog;
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
    auto* imgMouse = new CodePicture(DrawMouse, 6.5, 9.0, this);
    imgMouse->setObjectName(QStringLiteral("imgMouse"));
    imgMouse->setAccessibleName(tr("Mouse"));
    connect(imgMouse, &CodePicture::PictureHovered, this, &ButtonCodesPanel::ClearHover);

    const Button* buttons = Buttons();
    for (int i = 0; i < 2; ++i) {
        const Button* button = &buttons[i];
        Hotspot* hotspot =
            imgMouse->AddHotspot(QString::fromLatin1(button->object), i == 0 ? kLeftButton : kRightButton);
        hotspot->setAccessibleName(QString::fromLatin1(button->title));
        connect(hotspot, &Hotspot::Hovered, this, [this, button] { ShowButton(*button); });
        connect(hotspot, &Hotspot::Clicked, this, [this, button] { EditButton(*button); });
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
    dialog->exec();
    if (!self || !dialog) {
        return;
    }
    (working_->*button.single.set)(dialog->SClickASCIIValue());
    (working_->*button.twice.set)(dialog->DClickASCIIValue());
    delete dialog;
    emit CodesEdited();
}

}  // namespace qm
