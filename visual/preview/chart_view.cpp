// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_view.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace twinly {

ChartView::ChartView(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}

void ChartView::setValues(std::vector<double> values)
{
    m_values = std::move(values);
    update();
}

void ChartView::setLineColor(const QColor &color)
{
    m_color = color;
    update();
}

void ChartView::setThreeD(bool on)
{
    m_threeD = on;
    update();
}

void ChartView::setBackground(const QPixmap &picture)
{
    m_background = picture;
    update();
}

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    if (!m_background.isNull())
        p.drawPixmap((width() - m_background.width()) / 2, (height() - m_background.height()) / 2,
                     m_background);
    QRectF plot = QRectF(rect()).adjusted(8, 8, -8, -8);
    // The 3D view sets the plot back by 40 % of its size, up and to the right.
    const QPointF depth =
        m_threeD ? QPointF(plot.width() * 0.4 * 0.35, -plot.height() * 0.4 * 0.35) : QPointF();
    if (m_threeD)
        plot.adjust(0, -depth.y(), -depth.x(), 0);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().mid().color(), 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    if (m_values.empty())
        return;
    const auto [lo, hi] = std::minmax_element(m_values.begin(), m_values.end());
    const double range = *hi - *lo > 0 ? *hi - *lo : 1;
    const std::size_t n = m_values.size();
    QPainterPath line;
    for (std::size_t i = 0; i < n; ++i) {
        const double x =
            plot.left() + (n > 1 ? plot.width() * static_cast<double>(i) / (n - 1) : 0);
        const double y = plot.bottom() - plot.height() * (m_values[i] - *lo) / range;
        if (i == 0)
            line.moveTo(x, y);
        else
            line.lineTo(x, y);
    }
    if (m_threeD) {
        // A ribbon: the line, its copy set back, joined into a band.
        QPainterPath back = line.translated(depth);
        QColor shade = m_color.darker(140);
        shade.setAlpha(110);
        p.setPen(QPen(shade, 1));
        for (int i = 0; i < line.elementCount(); i += std::max(1, line.elementCount() / 200))
            p.drawLine(QPointF(line.elementAt(i).x, line.elementAt(i).y),
                       QPointF(back.elementAt(i).x, back.elementAt(i).y));
        p.setPen(QPen(shade, 1.5));
        p.drawPath(back);
    }
    p.setPen(QPen(m_color, 1.5));
    p.drawPath(line);
}

} // namespace twinly
