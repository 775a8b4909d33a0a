// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of a search: Go checks the options and starts the scanner thread with a
// snapshot of them; the scanner only writes its progress record, which a 100 ms timer shows;
// when the thread's body returns, ThreadDone runs here on the GUI thread (a queued call) and
// takes the rows over.
#include "main_window.h"

#include "crc_db.h"
#include "dialogs.h"
#include "hash_cache.h"
#include "option_pages.h"
#include "path_fields.h"
#include "path_text.h"
#include "preview_panel.h"
#include "qt_image_reader.h"
#include "results_model.h"
#include "results_view.h"
#include "tray.h"
#include "visual_hooks.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>

namespace twinly {

QString TForm1::GetString(const char *key, const char *builtIn) const
{
    return m_lang.GetString(QString::fromLatin1(key), QString::fromUtf8(builtIn));
}

SearchOptions TForm1::searchOptions() const
{
    return m_options->searchOptions();
}

void TForm1::setPagesEnabled(bool enabled)
{
    m_options->setPagesEnabled(enabled);
    DublPage->setEnabled(enabled);
}

void TForm1::GoButClick()
{
    if (m_searching)
        return;
    ClearResults();
    if (!m_options->readyForSearch())
        return;
    m_tray->showSearching();
    auto scanner = std::make_unique<TDirScanner>();
    scanner->Options = searchOptions();
    if (scanner->Options.VisualCompare)
        scanner->Visual =
            visual::MakeVisualHooks(scanner->Options.Visual, platform::MakeQtImageReader());
    for (const UserMessage &m : LoadCRCDatabases(m_options->databasesToCompare(), scanner->Initial))
        Dialogs::instance().error(this, GetString(kErrorCaptionKey, kErrorCaptionText),
                                  GetString(m.key.c_str(), m.text.c_str()));
    setPagesEnabled(false);
    scanner->dispatcher = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    scanner->OnTerminate = [this] { ThreadDone(); };
    m_scanner = std::move(scanner);
    m_lastProgressSeq = ~0ull;
    m_scanner->Resume();
    m_searching = true;
    m_stopRequested = false;
    m_statusTimer->start();
    UpdateButtons();
}

void TForm1::StopButClick()
{
    if (!m_searching)
        return;
    m_stopRequested = true;
    PageControl1->setCurrentWidget(m_options->optionsTab());
    m_scanner->Terminate();
    m_panel0->clear();
    m_panel2->clear();
}

void TForm1::ThreadDone()
{
    if (!m_scanner)
        return;
    m_scanner->WaitFor();
    SearchResult result = m_scanner->takeResult();
    m_scanner.reset();
    m_statusTimer->stop();

    Brain->hide();
    Gauge1->hide();
    setPagesEnabled(true);
    m_searching = false;
    UpdateButtons();

    if (m_stopRequested || result.stopped) {
        ClearResults();
    } else if (m_options->createsDatabase()) {
        RemoveRepeatedEntries(result.FileList);
        const std::string target = m_options->databaseTarget();
        if (const auto problem = SaveCRCDatabase(target, result.FileList))
            Dialogs::instance().error(this, GetString(kErrorCaptionKey, kErrorCaptionText),
                                      GetString(problem->key.c_str(), problem->text.c_str()));
    } else {
        m_model->fill(std::move(result.FileList), result.RowBand, result.RowGroup);
        PageControl1->setCurrentWidget(DublPage);
    }
    Panel3->clear();
    m_panel0->clear();
    m_panel2->clear();
    m_tray->showIdle();
}

void TForm1::refreshStatus()
{
    if (!m_scanner || m_stopRequested)
        return;
    const ScanProgress::Snapshot s = m_scanner->Progress.snapshot();
    Timer1->setInterval(m_scanner->Progress.timerInterval());
    if (s.seq == m_lastProgressSeq)
        return;
    m_lastProgressSeq = s.seq;
    m_panel0->setText(QString::fromLatin1(PhaseText(s.phase).data(),
                                          static_cast<qsizetype>(PhaseText(s.phase).size())));
    m_panel2->setText(platform::DisplayPath(s.item));
    Gauge1->setValue(s.gauge);
    Gauge1->setVisible(s.gaugeVisible);
}

void TForm1::Timer1Timer()
{
    QString progress;
    if (m_searching) {
        Brain->setVisible(!Brain->isVisible());
        m_tray->setImage(Brain->isVisible() ? 2 : 1);
        progress = m_panel0->text() + QStringLiteral(" - ") + QString::number(Gauge1->value()) +
                   QStringLiteral("% done");
    }
    m_tray->setHint(progress.isEmpty() ? QStringLiteral("Twinly")
                                       : QStringLiteral("Twinly\r\n") + progress);
}

void TForm1::ClearResults()
{
    m_model->clear();
    Panel3->clear();
}

} // namespace twinly
