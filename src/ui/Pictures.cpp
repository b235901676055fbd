#include "ui/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>

namespace qm {
namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64};

const QColor kInk(0x10, 0x30, 0x60);

// background: the rounded square's colour (the program's blue, or grey while not connected).
QPixmap IconAt(int size, const QColor& background = QColor(0x1f, 0x5f, 0xa8)) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    // An arrow pointer with four direction ticks around it: a switch driving the pointer.
    QPainterPath arrow;
    arrow.moveTo(s * 0.36, s * 0.22);
    arrow.lineTo(s * 0.36, s * 0.74);
    arrow.lineTo(s * 0.48, s * 0.62);
    arrow.lineTo(s * 0.58, s * 0.82);
    arrow.lineTo(s * 0.66, s * 0.78);
    arrow.lineTo(s * 0.56, s * 0.58);
    arrow.lineTo(s * 0.72, s * 0.58);
    arrow.closeSubpath();
    painter.setBrush(Qt::white);
    painter.setPen(QPen(kInk, s / 32.0));
    painter.drawPath(arrow);
    painter.setPen(QPen(Qt::white, s / 16.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(s * 0.84, s * 0.16), QPointF(s * 0.84, s * 0.30));
    painter.drawLine(QPointF(s * 0.77, s * 0.23), QPointF(s * 0.91, s * 0.23));
    return pixmap;
}

// A mouse in the lower left corner whose left button is filled in: the left button is held down.
void DrawHeldMouse(QPixmap& pixmap) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = pixmap.width();
    const QRectF body(s * 0.06, s * 0.40, s * 0.36, s * 0.54);
    painter.setPen(QPen(kInk, std::max<qreal>(1.0, s / 24.0)));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(body, s * 0.16, s * 0.16);
    QPainterPath left;
    left.moveTo(body.center().x(), body.top());
    left.lineTo(body.center().x(), body.top() + body.height() * 0.45);
    left.lineTo(body.left(), body.top() + body.height() * 0.45);
    left.lineTo(body.left(), body.top() + s * 0.16);
    left.quadTo(body.left(), body.top(), body.left() + s * 0.16, body.top());
    left.closeSubpath();
    painter.setBrush(QColor(0xf0, 0x8c, 0x00));
    painter.drawPath(left);
}

// The connection's mark: a disc in the lower right corner, ringed in white so that it stands
// off the picture under it, with a sign that says the state without its colour. At 16 pixels
// the disc is 8 across: one sign of two strokes at most still reads there.
void DrawConnectionMark(QPixmap& pixmap, SessionStatus::Connection connection) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = pixmap.width();
    const QPointF centre(s * 0.74, s * 0.74);
    const qreal radius = s * 0.25;
    const qreal stroke = std::max<qreal>(1.5, s / 10.0);
    QColor disc;
    QPen sign(Qt::white, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPainterPath path;
    switch (connection) {
        case SessionStatus::Connection::Connected:
            disc = QColor(0x1e, 0x8c, 0x3c);
            path.moveTo(s * 0.62, s * 0.75);
            path.lineTo(s * 0.71, s * 0.84);
            path.lineTo(s * 0.87, s * 0.65);
            break;
        case SessionStatus::Connection::Waiting:
            disc = QColor(0xf0, 0xb4, 0x00);
            sign.setColor(kInk);
            path.moveTo(centre.x(), s * 0.59);
            path.lineTo(centre);
            path.lineTo(s * 0.86, centre.y());
            break;
        case SessionStatus::Connection::NotConnected:
            disc = QColor(0xc8, 0x10, 0x10);
            path.moveTo(s * 0.61, centre.y());
            path.lineTo(s * 0.87, centre.y());
            break;
    }
    painter.setPen(QPen(Qt::white, std::max<qreal>(1.0, s / 24.0)));
    painter.setBrush(disc);
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(sign);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : kSizes) {
        icon.addPixmap(IconAt(size));
    }
    return icon;
}

QIcon TrayPicture(SessionStatus::Connection connection, bool buttonHeld) {
    QIcon icon;
    for (int size : kSizes) {
        QPixmap pixmap = connection == SessionStatus::Connection::NotConnected
                             ? IconAt(size, QColor(0x8c, 0x92, 0x98))
                             : IconAt(size);
        DrawConnectionMark(pixmap, connection);
        if (buttonHeld) {
            DrawHeldMouse(pixmap);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap PortImage(int index) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xc8, 0x10, 0x10));
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    if (index == 1) {
        painter.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
    } else {
        painter.drawLine(QPointF(5, 5), QPointF(11, 11));
        painter.drawLine(QPointF(11, 5), QPointF(5, 11));
    }
    return pixmap;
}

}  // namespace qm
