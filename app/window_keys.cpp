// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_keys.h"

#include <QAbstractButton>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QShortcut>
#include <QTabWidget>
#include <QToolTip>

namespace twinly {

WindowKeys::WindowKeys(const Parts &parts, std::function<QString()> goDisabledReason)
    : QObject(parts.window), m_parts(parts), m_goDisabledReason(std::move(goDisabledReason))
{
    bind(parts.go, {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
                    QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    bind(parts.stop, {QKeySequence(Qt::Key_Escape)});
    bind(parts.exit, {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    for (const auto &[key, step] :
         {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
          std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
          std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1}}) {
        auto *shortcut = new QShortcut(key, parts.window);
        // Older clang cannot capture a structured binding: capture a copy.
        connect(shortcut, &QShortcut::activated, this, [this, by = step] { movePage(by); });
    }
    setSearching(false);
}

void WindowKeys::bind(QAbstractButton *button, const QList<QKeySequence> &keys)
{
    for (const QKeySequence &key : keys) {
        auto *shortcut = new QShortcut(key, m_parts.window);
        connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
        if (button == m_parts.stop)
            m_stopKey = shortcut;
    }
    m_keys[button] = keys;
    button->installEventFilter(this);
}

void WindowKeys::setSearching(bool searching)
{
    if (m_stopKey)
        m_stopKey->setEnabled(searching);
}

void WindowKeys::movePage(int step)
{
    QTabWidget *pages = m_parts.pages;
    const int count = pages->count();
    for (int k = 1; k <= count; ++k) {
        const int index = ((pages->currentIndex() + step * k) % count + count) % count;
        if (pages->isTabVisible(index) && pages->isTabEnabled(index)) {
            pages->setCurrentIndex(index);
            return;
        }
    }
}

QString WindowKeys::hintShown(const QAbstractButton *button) const
{
    QString hint = button->toolTip();
    const auto it = m_keys.find(button);
    if (it != m_keys.end()) {
        QStringList names;
        // Ctrl+Enter is Ctrl+Return on the keypad: one name for both.
        for (const QKeySequence &key : it->second)
            if (key != QKeySequence(Qt::CTRL | Qt::Key_Enter))
                names << key.toString(QKeySequence::NativeText);
        hint += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    if (button == m_parts.go && !button->isEnabled() && m_goDisabledReason) {
        const QString reason = m_goDisabledReason();
        if (!reason.isEmpty())
            hint += QLatin1Char('\n') + reason;
    }
    return hint;
}

bool WindowKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *button = static_cast<QAbstractButton *>(watched);
        if (m_keys.count(button)) {
            const auto *help = static_cast<QHelpEvent *>(event);
            QToolTip::showText(help->globalPos(), hintShown(button), button);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

namespace {

class LabelClicks final : public QObject {
public:
    LabelClicks(QLabel *label, QAbstractButton *button) : QObject(label), m_button(button) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            return static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        if (event->type() == QEvent::MouseButtonRelease) {
            auto *label = static_cast<QLabel *>(watched);
            const auto *mouse = static_cast<QMouseEvent *>(event);
            // As a button takes a click: released over it, left button.
            if (mouse->button() == Qt::LeftButton &&
                label->rect().contains(mouse->position().toPoint()))
                m_button->click();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractButton *m_button;
};

} // namespace

void ActAsButton(QLabel *label, QAbstractButton *button)
{
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(new LabelClicks(label, button));
}

} // namespace twinly
