// SPDX-License-Identifier: GPL-3.0-or-later
// One line over an empty duplicate list that says why it is empty: what to do when there is
// nothing to search yet, or what a search that found nothing looked at. Hidden whenever the
// list has rows.
#pragma once

#include <QObject>
#include <QString>

class QAbstractItemModel;
class QAbstractItemView;
class QLabel;

namespace twinly {

class EmptyListNote final : public QObject {
    Q_OBJECT
public:
    explicit EmptyListNote(QAbstractItemView *view);

    // What to do first; shown instead of any outcome while `needed`.
    void setGuide(const QString &text, bool needed);
    // What the last search found, when it found nothing to list; empty for none.
    void setOutcome(const QString &text);
    QString text() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    QAbstractItemView *m_view;
    // Kept apart: while the list is taken down it is no list any more (see eventFilter).
    const QObject *m_viewport;
    QLabel *m_label;
    QString m_guide, m_outcome;
    bool m_guideNeeded = false;
};

} // namespace twinly
