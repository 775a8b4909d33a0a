// SPDX-License-Identifier: GPL-3.0-or-later
#include "search_job.h"

#include "crc_db.h"
#include "dialogs.h"
#include "empty_note.h"
#include "hash_cache.h"
#include "multi_language.h"
#include "option_pages.h"
#include "path_text.h"
#include "preview_panel.h"
#include "progress_text.h"
#include "qt_image_reader.h"
#include "results_model.h"
#include "status_panels.h"
#include "totals.h"
#include "tray.h"
#include "visual_hooks.h"

#include <QLabel>
#include <QTimer>

#include <chrono>

namespace twinly {

SearchJob::SearchJob(const Parts &parts, std::atomic<bool> &stopRequested)
    : QObject(parts.window), m_parts(parts), m_stopRequested(stopRequested),
      Timer1(new QTimer(this)), m_statusTimer(new QTimer(this))
{
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &SearchJob::Timer1Timer);
    Timer1->start();
    // Progress reaches the status bar at a steady pace, however fast the scanner goes.
    m_statusTimer->setInterval(100);
    connect(m_statusTimer, &QTimer::timeout, this, &SearchJob::refreshStatus);
}

SearchJob::~SearchJob()
{
    endSearch();
}

void SearchJob::endSearch()
{
    if (!m_scanner)
        return;
    // The thread stops at its next poll; its end is not delivered.
    m_scanner->CancelDelivery();
    m_scanner->Terminate();
    m_scanner->WaitFor();
    m_scanner.reset();
    m_statusTimer->stop();
    m_searching = false;
}

void SearchJob::showError(const std::string &key, const std::string &text) const
{
    const TMultiLang &lang = *m_parts.lang;
    Dialogs::instance().error(
        m_parts.window,
        lang.GetString(QString::fromLatin1(kErrorCaptionKey),
                       QString::fromLatin1(kErrorCaptionText)),
        lang.GetString(QString::fromStdString(key), QString::fromStdString(text)));
}

void SearchJob::GoButClick()
{
    if (m_searching)
        return;
    ClearResults();
    // What the last search found stood until now (its rows are gone, even when this one is
    // refused).
    m_parts.status->setCounts({});
    m_parts.note->setOutcome({});
    const OptionPages &options = *m_parts.options;
    if (!options.readyForSearch())
        return;
    m_parts.tray->showSearching();
    auto scanner = std::make_unique<TDirScanner>();
    scanner->Options = options.searchOptions();
    m_largestFirst = options.largestGroupsFirst();
    if (scanner->Options.VisualCompare)
        scanner->Visual =
            visual::MakeVisualHooks(scanner->Options.Visual, platform::MakeQtImageReader());
    for (const UserMessage &m : LoadCRCDatabases(options.databasesToCompare(), scanner->Initial))
        showError(m.key, m.text);
    scanner->dispatcher = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    scanner->OnTerminate = [this] { ThreadDone(); };
    if (m_hook)
        m_hook(*scanner);
    m_scanner = std::move(scanner);
    m_lastProgressSeq = ~0ull;
    m_scanner->Resume();
    m_searching = true;
    m_stopRequested = false;
    m_statusTimer->start();
    Q_EMIT runningChanged(true);
}

void SearchJob::StopButClick()
{
    if (!m_searching)
        return;
    m_stopRequested = true;
    Q_EMIT stopping();
    m_scanner->Terminate();
    m_parts.status->clearTexts();
    m_parts.status->setCounts({});
}

void SearchJob::ThreadDone()
{
    if (!m_scanner)
        return;
    m_scanner->WaitFor();
    SearchResult result = m_scanner->takeResult();
    // The records the search let go of may still be being freed on a thread of their own: the
    // window does not wait for it.
    if (result.Reclaim.joinable())
        result.Reclaim.detach();
    const bool listing = !m_scanner->Options.FindDuplicates;
    const std::uint64_t filesFound = m_scanner->Progress.counts().filesFound;
    m_scanner.reset();
    m_statusTimer->stop();

    m_parts.brain->hide();
    m_parts.status->showGauge(false);
    m_searching = false;
    Q_EMIT runningChanged(false);

    const OptionPages &options = *m_parts.options;
    QString summary;
    if (m_stopRequested || result.stopped) {
        ClearResults();
    } else if (options.createsDatabase()) {
        summary = SearchSummary(*m_parts.lang, result, /*listing=*/true, filesFound);
        RemoveRepeatedEntries(result.FileList);
        if (const auto problem = SaveCRCDatabase(options.databaseTarget(), result.FileList))
            showError(problem->key, problem->text);
    } else {
        summary = SearchSummary(*m_parts.lang, result, listing, filesFound);
        if (m_largestFirst) {
            // Bands follow the new order; rows, group numbers and bands move together.
            const std::vector<std::size_t> order =
                LargestGroupsFirst(result.FileList, result.RowGroup);
            ApplyRowOrder(result.FileList, result.RowGroup, result.RowBand, order);
        }
        m_parts.results->fill(std::move(result.FileList), result.RowBand, result.RowGroup);
        Q_EMIT resultsShown();
    }
    m_parts.preview->clear();
    m_parts.status->clearTexts();
    // Nothing of a stopped search is shown; anything else is told, an empty list above all.
    m_parts.status->setCounts(summary);
    if (m_parts.results->rowCount() == 0)
        m_parts.note->setOutcome(summary);
    m_parts.tray->showIdle();
}

void SearchJob::refreshStatus()
{
    if (!m_scanner || m_stopRequested)
        return;
    const ScanProgress::Snapshot s = m_scanner->Progress.snapshot();
    // Setting the interval restarts the timer: done at every poll, it would never fire.
    if (const int interval = m_scanner->Progress.timerInterval(); Timer1->interval() != interval)
        Timer1->setInterval(interval);
    // Counts move without the rest, and the time left with the clock alone.
    m_parts.status->setCounts(
        CountsLine(*m_parts.lang, m_scanner->Progress.counts(),
                   m_scanner->Progress.timeLeft(std::chrono::steady_clock::now())));
    if (s.seq == m_lastProgressSeq)
        return;
    m_lastProgressSeq = s.seq;
    const std::string_view phase = PhaseText(s.phase);
    m_parts.status->setActivity(
        QString::fromLatin1(phase.data(), static_cast<qsizetype>(phase.size())));
    m_parts.status->setItem(platform::DisplayPath(s.item));
    m_parts.status->setGauge(s.gauge);
    m_parts.status->showGauge(s.gaugeVisible);
}

void SearchJob::Timer1Timer()
{
    QString progress;
    if (m_searching) {
        QLabel *brain = m_parts.brain;
        brain->setVisible(!brain->isVisible());
        m_parts.tray->setImage(brain->isVisible() ? 2 : 1);
        progress = m_parts.status->activity() + QStringLiteral(" - ") +
                   QString::number(m_parts.status->gauge()) + QStringLiteral("% done");
        if (m_scanner && !m_stopRequested)
            progress += QStringLiteral("\r\n") +
                        CountsShort(*m_parts.lang, m_scanner->Progress.counts(),
                                    m_scanner->Progress.timeLeft(std::chrono::steady_clock::now()));
    }
    m_parts.tray->setHint(progress.isEmpty() ? QStringLiteral("Twinly")
                                             : QStringLiteral("Twinly\r\n") + progress);
}

void SearchJob::ClearResults()
{
    m_parts.results->clear();
    m_parts.preview->clear();
}

} // namespace twinly
