// SPDX-License-Identifier: GPL-3.0-or-later
// A drop-down of the sixteen basic colours, each drawn as a swatch with its name. Settings
// store the position in this fixed list.
#pragma once

#include <QColor>
#include <QComboBox>

namespace twinly {

class ColorList final : public QComboBox {
    Q_OBJECT
public:
    explicit ColorList(QWidget *parent = nullptr);
    static QColor colorAt(int position); // invalid outside 0..15
    QColor color() const { return colorAt(currentIndex()); }
    // -1 or any position outside the list leaves no selection.
    void setPosition(int position);
};

} // namespace twinly
