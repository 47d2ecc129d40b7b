#include "app/StatusImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap Draw(int index) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0: // waiting: a clock face
        p.setPen(QPen(QColor(70, 90, 140), 1.5));
        p.setBrush(QColor(225, 232, 250));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
        break;
    case 1: // failed: a red disc with a cross
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    case 2: { // succeeded: a green disc with a tick
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 150, 60));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(QPen(Qt::white, 2));
        QPainterPath tick;
        tick.moveTo(4.5, 8.5);
        tick.lineTo(7, 11);
        tick.lineTo(11.5, 5);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        break;
    }
    case 3:   // descending: triangle pointing down
    case 4: { // ascending: triangle pointing up
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 90, 90));
        QPolygonF triangle;
        if (index == 3)
            triangle << QPointF(4, 6) << QPointF(12, 6) << QPointF(8, 11);
        else
            triangle << QPointF(4, 11) << QPointF(12, 11) << QPointF(8, 6);
        p.drawPolygon(triangle);
        break;
    }
    default:
        break;
    }
    return pixmap;
}

} // namespace

QIcon StatusImage(int index) {
    if (index < 0 || index > 4)
        return {};
    return QIcon(Draw(index));
}
