// SPDX-License-Identifier: GPL-3.0-or-later
// The window's status bar: panel 0 the activity in words, panel 1 the gauge, panel 2 the
// folder, file or count being worked on. A search and the list's long commands write it; when
// nothing runs, panels 0 and 2 are empty and the gauge is hidden.
#pragma once

#include <QString>

class QLabel;
class QProgressBar;
class QStatusBar;

namespace twinly {

class StatusPanels {
public:
    // Builds the panels into `bar`, which owns their widgets.
    explicit StatusPanels(QStatusBar *bar);

    void setActivity(const QString &text);
    QString activity() const;
    void setItem(const QString &text);
    void setGauge(int percent);
    int gauge() const;
    void showGauge(bool visible);
    // Panels 0 and 2 emptied; the gauge stays as it is.
    void clearTexts();

private:
    QLabel *m_panel0;
    QProgressBar *Gauge1;
    QLabel *m_panel2;
};

} // namespace twinly
