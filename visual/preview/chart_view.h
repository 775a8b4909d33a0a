// SPDX-License-Identifier: GPL-3.0-or-later
// A picture's signature as a line chart: one point per square, the square index across, its
// value up. Optionally drawn in 3D (a depth of 40 % of the plot) and over a background picture
// centred behind it. No title, legend or value labels: the shape is what tells.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <vector>

namespace twinly {

class ChartView final : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent = nullptr);

    void setValues(std::vector<double> values);
    const std::vector<double> &values() const { return m_values; }
    void setLineColor(const QColor &color);
    void setThreeD(bool on);
    bool threeD() const { return m_threeD; }
    void setBackground(const QPixmap &picture);
    const QPixmap &background() const { return m_background; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<double> m_values;
    QColor m_color = QColor(0, 128, 128);
    bool m_threeD = false;
    QPixmap m_background;
};

} // namespace twinly
