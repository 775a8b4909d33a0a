// SPDX-License-Identifier: GPL-3.0-or-later
#include "results_view.h"

#include "results_model.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace twinly {

namespace {

// Sizes, times and checksums read from the left: when one does not fit, its end goes.
class EndElidingDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

} // namespace

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
    // Paths differ at their ends: the folder they start with and the name they end with.
    setTextElideMode(Qt::ElideMiddle);
    auto *endEliding = new EndElidingDelegate(this);
    for (int column = ResultsModel::NameColumn + 1; column < ResultsModel::ColumnCount; ++column)
        setItemDelegateForColumn(column, endEliding);
    setToolTip(m_hint);
    connect(header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section != ResultsModel::NameColumn)
            fitNameColumn();
    });
}

void ResultsView::fitNameColumn()
{
    if (!model() || header()->count() <= ResultsModel::NameColumn)
        return;
    int others = 0;
    for (int c = 0; c < header()->count(); ++c)
        if (c != ResultsModel::NameColumn && !header()->isSectionHidden(c))
            others += header()->sectionSize(c);
    header()->resizeSection(ResultsModel::NameColumn,
                            std::max(kNameColumnMinimum, viewport()->width() - others));
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
        const QString hint = model()->index(index.row(), 0).data(Qt::DisplayRole).toString();
        if (hint != m_hint) {
            m_hint = hint;
            setToolTip(m_hint);
            // A hint already up follows the row under the pointer.
            if (QToolTip::isVisible())
                showHint(event->globalPosition().toPoint());
        }
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
        showHint(static_cast<QHelpEvent *>(event)->globalPos());
        return true;
    }
    const bool handled = QTreeView::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        fitNameColumn();
    return handled;
}

void ResultsView::showHint(const QPoint &globalPos)
{
    // For as long as the viewport would keep its own hint up.
    QToolTip::showText(globalPos, m_hint, this, {}, viewport()->toolTipDuration());
}

} // namespace twinly
