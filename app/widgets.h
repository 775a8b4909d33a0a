// SPDX-License-Identifier: GPL-3.0-or-later
// Small pieces shared by the window's pages.
#pragma once

#include <QRadioButton>
#include <QStyle>
#include <QToolButton>

#include <initializer_list>

namespace twinly {

// A radio button that code may leave unchecked with its whole group (Qt's automatic
// exclusivity forbids that state, and the options use it: neither "Check for duplicates" nor
// "Create CRC DB"). A click never unchecks it; exclusivity comes from makeExclusive().
class Radio final : public QRadioButton {
    Q_OBJECT
public:
    Radio(const QString &text, const char *name, QWidget *parent = nullptr);

protected:
    void nextCheckState() override;
};

// Checking one radio of the group unchecks the others before its own reaction runs (connect
// reactions after calling this).
void makeExclusive(std::initializer_list<QRadioButton *> group);

// A square tool button with a standard icon, its object name and its hint.
QToolButton *toolButton(QWidget *parent, const char *name, const QString &hint,
                        QStyle::StandardPixmap icon, int side);

template<typename W> W *named(W *widget, const char *name, const QString &hint = {})
{
    widget->setObjectName(QString::fromLatin1(name));
    if constexpr (requires { widget->setToolTip(hint); }) {
        if (!hint.isEmpty())
            widget->setToolTip(hint);
    }
    return widget;
}

} // namespace twinly
