// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference_mark.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace twinly {

namespace {

QPixmap padlock(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 16.0;
    // The shackle, then the body over its feet.
    p.setPen(QPen(QColor(90, 90, 90), 1.8 * s));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(4.5 * s, 8 * s);
    shackle.lineTo(4.5 * s, 5 * s);
    shackle.arcTo(QRectF(4.5 * s, 1.5 * s, 7 * s, 7 * s), 180, -180);
    shackle.lineTo(11.5 * s, 8 * s);
    p.drawPath(shackle);
    p.setPen(QPen(QColor(120, 80, 0), 1 * s));
    p.setBrush(QColor(230, 170, 20));
    p.drawRoundedRect(QRectF(2.5 * s, 7 * s, 11 * s, 8 * s), 1.5 * s, 1.5 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 60, 0));
    p.drawEllipse(QPointF(8 * s, 10.5 * s), 1.2 * s, 1.2 * s);
    return pixmap;
}

} // namespace

QIcon ReferenceIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32})
        icon.addPixmap(padlock(size));
    return icon;
}

} // namespace twinly
