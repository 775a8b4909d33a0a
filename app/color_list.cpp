// SPDX-License-Identifier: GPL-3.0-or-later
#include "color_list.h"

#include <QPainter>
#include <QPixmap>

#include <array>

namespace twinly {

namespace {

struct NamedColor {
    const char *name;
    QRgb rgb;
};

constexpr std::array<NamedColor, 16> kColors{{
    {"Black", 0x000000},
    {"Maroon", 0x800000},
    {"Green", 0x008000},
    {"Olive", 0x808000},
    {"Navy", 0x000080},
    {"Purple", 0x800080},
    {"Teal", 0x008080},
    {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},
    {"Red", 0xFF0000},
    {"Lime", 0x00FF00},
    {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},
    {"Fuchsia", 0xFF00FF},
    {"Aqua", 0x00FFFF},
    {"White", 0xFFFFFF},
}};

QIcon swatch(QRgb rgb)
{
    QPixmap pm(16, 12);
    pm.fill(QColor::fromRgb(rgb));
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
    return QIcon(pm);
}

} // namespace

ColorList::ColorList(QWidget *parent) : QComboBox(parent)
{
    for (const NamedColor &c : kColors)
        addItem(swatch(c.rgb), tr(c.name));
}

QColor ColorList::colorAt(int position)
{
    if (position < 0 || position >= static_cast<int>(kColors.size()))
        return {};
    return QColor::fromRgb(kColors[static_cast<std::size_t>(position)].rgb);
}

void ColorList::setPosition(int position)
{
    setCurrentIndex(position >= 0 && position < count() ? position : -1);
}

} // namespace twinly
