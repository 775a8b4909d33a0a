// SPDX-License-Identifier: GPL-3.0-or-later
// The window's status bar: panel 0 the activity in words, panel 1 the gauge, then the counts
// of a search (and, once it has ended, what it found, until the next search), and panel 2 the
// folder, file or count being worked on. A search and the list's long commands write it; when
// nothing runs, panels 0 and 2 are empty and the gauge is hidden; panels 0 and 1 then give
// their room up, so that what the last search found stands at the bar's left.
#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QProgressBar;
class QStatusBar;

#include <cstdint>

namespace twinly {

// "1.5 kB", "3.4 MB": sizes as the user's locale writes them, in every text of the status bar.
QString SizeText(std::uint64_t bytes);

class StatusPanels final : public QObject {
public:
    // Builds the panels into `bar`, which owns their widgets.
    explicit StatusPanels(QStatusBar *bar);

    void setActivity(const QString &text);
    QString activity() const;
    void setItem(const QString &text);
    void setGauge(int percent);
    int gauge() const;
    void showGauge(bool visible);
    // Panels 0 and 2 emptied; the gauge and the counts stay as they are.
    void clearTexts();
    void setCounts(const QString &text);
    QString counts() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitActivityPanel();
    void collapseWhenIdle();

    QLabel *m_panel0;
    QProgressBar *Gauge1;
    QWidget *m_panel1;
    QLabel *m_counts;
    QLabel *m_panel2;
    int m_countsWidth = 0;
};

} // namespace twinly
