// SPDX-License-Identifier: GPL-3.0-or-later
#include "empty_note.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QLabel>

namespace twinly {

EmptyListNote::EmptyListNote(QAbstractItemView *view)
    : QObject(view), m_view(view), m_viewport(view->viewport()),
      m_label(new QLabel(view->viewport()))
{
    m_label->setObjectName(QStringLiteral("EmptyListNote"));
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setWordWrap(true);
    m_label->setForegroundRole(QPalette::PlaceholderText);
    // Clicks and the hint of the list go on working through the note.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label->hide();
    view->viewport()->installEventFilter(this);
    QAbstractItemModel *model = view->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, &EmptyListNote::update);
    connect(model, &QAbstractItemModel::modelReset, this, &EmptyListNote::update);
    connect(model, &QAbstractItemModel::layoutChanged, this, &EmptyListNote::update);
}

void EmptyListNote::setGuide(const QString &text, bool needed)
{
    m_guide = text;
    m_guideNeeded = needed;
    update();
}

void EmptyListNote::setOutcome(const QString &text)
{
    m_outcome = text;
    update();
}

QString EmptyListNote::text() const
{
    return m_label->isHidden() ? QString() : m_label->text();
}

bool EmptyListNote::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport && event->type() == QEvent::Resize)
        update();
    return QObject::eventFilter(watched, event);
}

void EmptyListNote::update()
{
    const QString text = m_guideNeeded ? m_guide : m_outcome;
    const bool show = !text.isEmpty() && m_view->model()->rowCount() == 0;
    m_label->setText(text);
    const QRect area = m_view->viewport()->rect();
    m_label->setGeometry(area.adjusted(12, 0, -12, 0)
                             .intersected(QRect(area.left(), area.top() + 24, area.width(),
                                                3 * m_label->fontMetrics().height())));
    m_label->setVisible(show);
}

} // namespace twinly
