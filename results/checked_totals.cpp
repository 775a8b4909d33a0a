// SPDX-License-Identifier: GPL-3.0-or-later
#include "checked_totals.h"

#include "results_model.h"
#include "status_panels.h"
#include "totals.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace twinly {

CheckedTotalsLabel::CheckedTotalsLabel(QStatusBar *bar, ResultsModel *model, Texts texts)
    : QObject(bar), m_label(new QLabel), m_model(model), m_texts(std::move(texts))
{
    m_label->setObjectName(QStringLiteral("CheckedTotals"));
    m_label->hide();
    bar->addPermanentWidget(m_label);
    // A rule checks a whole list in one change, a click one row: both are counted once, when
    // the event loop comes back, not per row.
    connect(model, &ResultsModel::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::CheckStateRole))
                    schedule();
            });
    connect(model, &ResultsModel::rowsRemoved, this, &CheckedTotalsLabel::schedule);
    connect(model, &ResultsModel::modelReset, this, &CheckedTotalsLabel::schedule);
}

QString CheckedTotalsLabel::textFor(std::size_t files, std::uint64_t bytes) const
{
    return m_texts("strCheckedTotals", "%d files checked, %s")
        .replace(QStringLiteral("%d"), QString::number(files))
        .replace(QStringLiteral("%s"), SizeText(bytes));
}

void CheckedTotalsLabel::schedule()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, &CheckedTotalsLabel::refresh);
}

void CheckedTotalsLabel::refresh()
{
    m_scheduled = false;
    const std::vector<std::uint8_t> marks = m_model->checkMarks();
    const CheckedTotals t = CheckedTotalsOf(m_model->records(), marks);
    m_label->setVisible(t.files > 0);
    m_label->setText(t.files > 0 ? textFor(t.files, t.bytes) : QString());
}

} // namespace twinly
