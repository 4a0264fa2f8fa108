#include "app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace sv::ui {

namespace {

// A rounded blue square with a white "play" arrow over three process steps.
QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0xa8));
    painter.drawRoundedRect(QRectF(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit), 3 * unit, 3 * unit);

    painter.setBrush(QColor(0x9f, 0xd3, 0xff));
    for (int step = 0; step < 3; ++step)
        painter.drawRect(QRectF((2.5 + 4 * step) * unit, 11.5 * unit, 3 * unit, 2 * unit));

    QPainterPath arrow;
    arrow.moveTo(5.5 * unit, 2.5 * unit);
    arrow.lineTo(12 * unit, 6.25 * unit);
    arrow.lineTo(5.5 * unit, 10 * unit);
    arrow.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);
    return pixmap;
}

}  // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace sv::ui
