// SPDX-License-Identifier: GPL-3.0-or-later
#include "results_view.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace twinly {

ResultsView::ResultsView(QWidget *parent)
    : QTreeView(parent), m_hint(tr("There is list of duplicated files."))
{
    setObjectName(QStringLiteral("List"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // a million rows scroll without measuring each
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setMouseTracking(true);
    setMinimumWidth(385);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(false);
    setToolTip(m_hint);
}

void ResultsView::keyPressEvent(QKeyEvent *event)
{
    if (!isEditingCaption()) {
        if (event->key() == Qt::Key_Delete) {
            Q_EMIT deleteRequested();
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            Q_EMIT openRequested();
            return;
        }
        // The check box and the caption are the file name cell's, but the keys act on the row
        // whichever of its cells was clicked.
        const QModelIndex current = currentIndex();
        if (current.isValid() && current.column() != 0) {
            const QModelIndex caption = current.siblingAtColumn(0);
            if (event->key() == Qt::Key_F2 && edit(caption, EditKeyPressed, event))
                return;
            if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) &&
                edit(caption, AnyKeyPressed, event))
                return;
        }
    }
    QTreeView::keyPressEvent(event);
}

void ResultsView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::RightButton) {
        QTreeView::mousePressEvent(event);
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return; // below the last row: nothing happens, the selection stays
    setCurrentIndex(index);
    const bool shifted =
        (event->modifiers() & Qt::ShiftModifier) || (event->buttons() & Qt::LeftButton);
    // The menu opens where the pointer is.
    Q_EMIT menuRequested(index.row(), shifted,
                         viewport()->mapToGlobal(event->position().toPoint()));
}

void ResultsView::mouseMoveEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
        m_hint = model()->index(index.row(), 0).data(Qt::DisplayRole).toString();
        setToolTip(m_hint);
    }
    QTreeView::mouseMoveEvent(event);
}

void ResultsView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) {
        Q_EMIT openRequested();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

bool ResultsView::viewportEvent(QEvent *event)
{
    // The hint is the list's own (the path of the last row crossed), not a per-cell tooltip.
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        QToolTip::showText(help->globalPos(), m_hint, this);
        return true;
    }
    return QTreeView::viewportEvent(event);
}

} // namespace twinly
