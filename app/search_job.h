// SPDX-License-Identifier: GPL-3.0-or-later
// A search from Go to the filled list. Go checks the options and starts the scanner thread with
// a snapshot of them; the scanner only writes its progress record, which a 100 ms poll shows in
// the status bar; when the thread's body returns, ThreadDone runs on the GUI thread (a queued
// call) and takes the rows over. Timer1 blinks the busy indicator and keeps the tray hint.
//
// The window is reached through the parts it lends and the signals below; the job changes no
// page or button of its own accord.
#pragma once

#include "scanner.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QTimer;
class QWidget;

namespace twinly {

class EmptyListNote;
class OptionPages;
class PreviewPanel;
class ResultsModel;
class StatusPanels;
class TMultiLang;
class Tray;

class SearchJob final : public QObject {
    Q_OBJECT
public:
    // The window's parts a search works with; each outlives the job.
    struct Parts {
        QWidget *window; // owns the job and parents its message boxes
        const OptionPages *options;
        ResultsModel *results;
        PreviewPanel *preview;
        Tray *tray;
        StatusPanels *status;
        QLabel *brain; // the busy indicator
        const TMultiLang *lang;
        EmptyListNote *note; // says what a search that found nothing looked at
    };
    // `stopRequested` is the window's stop flag, shared with the deleting run.
    SearchJob(const Parts &parts, std::atomic<bool> &stopRequested);
    ~SearchJob() override;

    bool Searching() const { return m_searching; }
    // Ends a running search without delivering its end and waits for the thread; nothing of
    // it reaches the window afterwards.
    void endSearch();
    // Called with each scanner just before it starts (tests act at an exact point of a search
    // through its progress record).
    void setScannerHook(std::function<void(TDirScanner &)> hook) { m_hook = std::move(hook); }

public Q_SLOTS:
    void GoButClick();
    void StopButClick();
    void Timer1Timer();
    void ClearResults();

Q_SIGNALS:
    // A search began or ended: the window locks or frees its pages and sets Go and Stop.
    void runningChanged(bool running);
    // The rows of a finished search are in the list.
    void resultsShown();
    // Stop was pressed: the options come to the front.
    void stopping();

private:
    void ThreadDone();
    void refreshStatus();
    void showError(const std::string &key, const std::string &text) const;

    Parts m_parts;
    std::atomic<bool> &m_stopRequested;
    QTimer *Timer1;
    QTimer *m_statusTimer;
    std::unique_ptr<TDirScanner> m_scanner;
    std::function<void(TDirScanner &)> m_hook;
    std::uint64_t m_lastProgressSeq = ~0ull;
    bool m_searching = false;
    bool m_largestFirst = false; // the order the user asked for when Go was pressed
};

} // namespace twinly
