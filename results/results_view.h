// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate list as the user handles it: rows coloured by band, the hint following the row
// under the pointer, Delete and Enter keys, double-click, and the right-button menus.
#pragma once

#include <QTreeView>

namespace twinly {

class ResultsView final : public QTreeView {
    Q_OBJECT
public:
    explicit ResultsView(QWidget *parent = nullptr);

    // The hint currently shown: the built-in text until the pointer first crosses a row.
    QString hintText() const { return m_hint; }
    bool isEditingCaption() const { return state() == QAbstractItemView::EditingState; }

Q_SIGNALS:
    void deleteRequested(); // Delete key, not while a caption is edited
    void openRequested();   // Enter key or a double-click
    // Right button on a row (now selected). `shifted`: Shift down or the left button held.
    void menuRequested(int row, bool shifted, const QPoint &globalPos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    // "File name" takes the width the other columns leave, but no less than its first width.
    static constexpr int kNameColumnMinimum = 200;
    void fitNameColumn();
    void showHint(const QPoint &globalPos);

    QString m_hint;
};

} // namespace twinly
