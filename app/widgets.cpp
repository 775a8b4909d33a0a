// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets.h"

#include <vector>

namespace twinly {

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
