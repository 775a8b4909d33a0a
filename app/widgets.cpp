// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QScreen>

#include <vector>

namespace twinly {

namespace {

QString withoutMnemonics(QString text)
{
    // "&&" stands for one ampersand, a single one marks the shortcut letter.
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('&'))
            text.remove(i, 1);
    return text;
}

// What Qt's own button interface reports, but always as a radio button.
class RadioAccessible final : public QAccessibleWidget {
public:
    explicit RadioAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::RadioButton)
    {
        addControllingSignal(QStringLiteral("toggled(bool)"));
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? withoutMnemonics(button()->text()) : name;
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (!widget()->isEnabled())
            return;
        if (action == pressAction() || action == toggleAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};

class CheckTitledGroupAccessible final : public QAccessibleWidget {
public:
    explicit CheckTitledGroupAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::Grouping) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            QString name = widget()->accessibleName();
            if (!name.isEmpty())
                return name;
            if (QAbstractButton *title = static_cast<CheckTitledGroup *>(widget())->titledBy())
                return withoutMnemonics(title->text());
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *accessibleFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *w = static_cast<QWidget *>(object);
    if (className == QLatin1String(Radio::staticMetaObject.className()))
        return new RadioAccessible(w);
    if (className == QLatin1String(CheckTitledGroup::staticMetaObject.className()))
        return new CheckTitledGroupAccessible(w);
    return nullptr;
}

void installAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)installed;
}

class HintNamer final : public QObject {
public:
    HintNamer(QWidget *target, QWidget *source) : QObject(target), m_target(target)
    {
        source->installEventFilter(this);
        apply(source);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ToolTipChange)
            apply(static_cast<QWidget *>(watched));
        return false;
    }

private:
    void apply(const QWidget *source)
    {
        m_target->setAccessibleName(source->toolTip());
        if (source != m_target)
            m_target->setToolTip(source->toolTip());
    }
    QWidget *m_target;
};

class HintKeeper final : public QObject {
public:
    explicit HintKeeper(QObject *owner) : QObject(owner) { qApp->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A widget showing its own hint takes its duration from here; one left at Qt's
        // default gets the resting duration just before it shows the hint.
        if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
            auto *w = static_cast<QWidget *>(watched);
            if (w->toolTipDuration() <= 0)
                w->setToolTipDuration(kRestingHintMs);
        }
        return false;
    }
};

class FirstShowCentre final : public QObject {
public:
    explicit FirstShowCentre(QWidget *window) : QObject(window)
    {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The show event comes after the layouts have sized the window and before it is
        // mapped, so the place is final when the window first appears.
        if (event->type() == QEvent::Show) {
            auto *w = static_cast<QWidget *>(watched);
            if (const QScreen *screen = w->screen()) {
                QRect frame = w->frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                w->move(frame.topLeft());
            }
            w->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};

} // namespace

void openAtScreenCentre(QWidget *window)
{
    new FirstShowCentre(window);
}

void keepHintsWhileResting(QObject *owner)
{
    new HintKeeper(owner);
}

void nameByHint(QWidget *target, QWidget *source)
{
    new HintNamer(target, source ? source : target);
}

QToolButton *toolButton(QWidget *parent, const char *name, const QString &hint,
                        QStyle::StandardPixmap icon, int side)
{
    auto *b = named(new QToolButton(parent), name, hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    b->setFixedSize(side, side);
    b->setIconSize(QSize(side - 10, side - 10));
    nameByHint(b);
    return b;
}

Radio::Radio(const QString &text, const char *name, QWidget *parent) : QRadioButton(text, parent)
{
    installAccessibleFactory();
    setObjectName(QString::fromLatin1(name));
    setAutoExclusive(false);
}

void Radio::nextCheckState()
{
    if (!isChecked())
        setChecked(true);
}

CheckTitledGroup::CheckTitledGroup(const QString &blankTitle, const char *name,
                                   QAbstractButton *titledBy)
    : QGroupBox(blankTitle), m_titledBy(titledBy)
{
    installAccessibleFactory();
    setObjectName(QString::fromLatin1(name));
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
