// SPDX-License-Identifier: GPL-3.0-or-later
// Small pieces shared by the window's pages.
#pragma once

#include <QGroupBox>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>

#include <initializer_list>

namespace twinly {

// A radio button that code may leave unchecked with its whole group (Qt's automatic
// exclusivity forbids that state, and the options use it: neither "Check for duplicates" nor
// "Create CRC DB"). A click never unchecks it; exclusivity comes from makeExclusive(). Screen
// readers still hear a radio button (Qt would announce a check box once automatic exclusivity
// is off).
class Radio final : public QRadioButton {
    Q_OBJECT
public:
    Radio(const QString &text, const char *name, QWidget *parent = nullptr);

protected:
    void nextCheckState() override;
};

// A group box whose own title is blanks because a check box standing on its top edge titles
// it; screen readers hear that check box's text as the group's name.
class CheckTitledGroup final : public QGroupBox {
    Q_OBJECT
public:
    CheckTitledGroup(const QString &blankTitle, const char *name, QAbstractButton *titledBy);
    QAbstractButton *titledBy() const { return m_titledBy; }

private:
    QAbstractButton *m_titledBy;
};

// Checking one radio of the group unchecks the others before its own reaction runs (connect
// reactions after calling this).
void makeExclusive(std::initializer_list<QRadioButton *> group);

// `target` is named for screen readers by the hint of `source` (itself by default), and
// follows when a language replaces that hint. A button other than `source` also shows the hint.
void nameByHint(QWidget *target, QWidget *source = nullptr);

// A square tool button with a standard icon, its object name and its hint, which is also its
// name for screen readers.
QToolButton *toolButton(QWidget *parent, const char *name, const QString &hint,
                        QStyle::StandardPixmap icon, int side);

// Hints stay up for as long as the pointer rests on a control, for the lifetime of `owner`
// (Qt takes a hint away after some seconds, too soon to read a long path).
void keepHintsWhileResting(QObject *owner);
// The window first appears at the centre of its screen's desktop area, with or without a
// window manager to place it (without one it would open at the top-left corner).
void openAtScreenCentre(QWidget *window);

// How long a hint stays up while the pointer rests (Qt counts it in milliseconds).
inline constexpr int kRestingHintMs = 24 * 60 * 60 * 1000;

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
