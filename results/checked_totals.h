// SPDX-License-Identifier: GPL-3.0-or-later
// How many files are checked and how many bytes they take, in a label of its own at the right
// end of the status bar, so that no activity text of a search or a command is overwritten.
// Hidden while nothing is checked.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QLabel;
class QStatusBar;

namespace twinly {

class ResultsModel;

class CheckedTotalsLabel final : public QObject {
    Q_OBJECT
public:
    using Texts = std::function<QString(const char *key, const char *builtIn)>;
    CheckedTotalsLabel(QStatusBar *bar, ResultsModel *model, Texts texts);

    // The text for so many checked files taking so many bytes.
    QString textFor(std::size_t files, std::uint64_t bytes) const;
    // Counts again now (changes are otherwise counted once the event loop is idle).
    void refresh();

private:
    void schedule();

    QLabel *m_label;
    ResultsModel *m_model;
    Texts m_texts;
    bool m_scheduled = false;
};

} // namespace twinly
