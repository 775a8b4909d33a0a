// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets.h"

#include <vector>

namespace twinly {

QToolButton *toolButton(QWidget *parent, const char *name, const QString &hint,
                        QStyle::StandardPixmap icon, int side)
{
    auto *b = named(new QToolButton(parent), name, hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    b->setFixedSize(side, side);
    b->setIconSize(QSize(side - 10, side - 10));
    return b;
}

Radio::Radio(const QString &text, const char *name, QWidget *parent) : QRadioButton(text, parent)
{
    setObjectName(QString::fromLatin1(name));
    setAutoExclusive(false);
}

void Radio::nextCheckState()
{
    if (!isChecked())
        setChecked(true);
}

void makeExclusive(std::initializer_list<QRadioButton *> group)
{
    const std::vector<QRadioButton *> members(group);
    for (QRadioButton *r : members) {
        QObject::connect(r, &QRadioButton::toggled, r, [r, members](bool on) {
            if (!on)
                return;
            for (QRadioButton *other : members)
                if (other != r)
                    other->setChecked(false);
        });
    }
}

} // namespace twinly
