#include "ui/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>

namespace qm {
namespace {

QPixmap IconAt(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0xa8));
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
    painter.setPen(QPen(QColor(0x10, 0x30, 0x60), s / 32.0));
    painter.drawPath(arrow);
    painter.setPen(QPen(Qt::white, s / 16.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(s * 0.84, s * 0.16), QPointF(s * 0.84, s * 0.30));
    painter.drawLine(QPointF(s * 0.77, s * 0.23), QPointF(s * 0.91, s * 0.23));
    return pixmap;
}

// The program's picture with a mouse in the lower left corner whose left button is filled in:
// the left button is held down.
QPixmap HeldIconAt(int size) {
    QPixmap pixmap = IconAt(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF body(s * 0.06, s * 0.40, s * 0.36, s * 0.54);
    painter.setPen(QPen(QColor(0x10, 0x30, 0x60), std::max<qreal>(1.0, s / 24.0)));
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
    return pixmap;
}

}  // namespace

QIcon HeldButtonIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(HeldIconAt(size));
    }
    return icon;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(IconAt(size));
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
