#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace seiran::app {

QPixmap programIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    // Seiran is an indigo orchid: an indigo tile with a white logic trace.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 52, 120));
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);

    QPainterPath wave;
    const qreal low = s * 0.70;
    const qreal high = s * 0.30;
    wave.moveTo(s * 0.12, low);
    wave.lineTo(s * 0.28, low);
    wave.lineTo(s * 0.28, high);
    wave.lineTo(s * 0.50, high);
    wave.lineTo(s * 0.50, low);
    wave.lineTo(s * 0.64, low);
    wave.lineTo(s * 0.64, high);
    wave.lineTo(s * 0.88, high);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, std::max(1.0, s / 14.0), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(wave);

    p.setPen(QPen(QColor(150, 200, 255), std::max(1.0, s / 24.0)));
    p.drawLine(QPointF(s * 0.12, s * 0.84), QPointF(s * 0.88, s * 0.84));
    return pixmap;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(programIconPixmap(size));
    return icon;
}

} // namespace seiran::app
