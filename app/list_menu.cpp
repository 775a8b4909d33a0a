// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate list's menus and the window's life (first showing, closing, resizing).
#include "main_window.h"

#include "about.h"
#include "color_list.h"
#include "dialogs.h"
#include "option_pages.h"
#include "preview_panel.h"
#include "results_model.h"
#include "results_view.h"
#include "search_job.h"
#include "tray.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#ifndef TWINLY_VERSION
#define TWINLY_VERSION "0"
#endif

namespace twinly {

void TForm1::ListMouseDown(int row, bool shifted, const QPoint &globalPos)
{
    if (m_options->programMenuOnShift() == shifted)
        ItemPopup->popup(globalPos);
    else
        Dialogs::instance().fileContextMenu(this, globalPos, m_model->record(row).FullName);
}

QString TForm1::GetString(const char *key, const char *builtIn) const
{
    return m_lang.GetString(QString::fromLatin1(key), QString::fromUtf8(builtIn));
}

SearchOptions TForm1::searchOptions() const
{
    return m_options->searchOptions();
}

bool TForm1::Searching() const
{
    return m_search->Searching();
}

int TForm1::PreviewMode() const
{
    return m_options->previewMode();
}

int TForm1::DeleteMode() const
{
    return m_options->deleteMode();
}

void TForm1::LoadSettings()
{
    m_options->LoadSettings(m_settingsPath);
}

bool TForm1::SaveSettings()
{
    return m_options->SaveSettings(m_settingsPath);
}

void TForm1::UpdateButtons()
{
    GoBut->setEnabled(!Searching() && m_options->hasFolders());
    StopBut->setEnabled(Searching());
}

void TForm1::DublPageShow()
{
    if (selectedRow() >= 0)
        ListSelectItem();
}

void TForm1::RezButClick()
{
    PageControl1->setCurrentWidget(DublPage);
}

void TForm1::OptionButClick()
{
    PageControl1->setCurrentWidget(m_options->optionsTab());
}

// The parts meet here: what the options change reaches the list, the preview and the
// translator through their signals.
void TForm1::connectParts()
{
    connect(m_options, &OptionPages::foldersChanged, this, &TForm1::UpdateButtons);
    connect(m_options, &OptionPages::bandColorsChanged, this,
            [this] { m_model->setBandColors(m_options->bandColor1(), m_options->bandColor2()); });
    connect(m_options, &OptionPages::previewModeChanged, Panel3, &PreviewPanel::setMode);
    connect(m_options, &OptionPages::previewStyleChanged, this, &TForm1::pushPreviewStyle);
    connect(m_options, &OptionPages::languageChanged, this,
            [this] { m_lang.ApplyCurrentLanguage(m_tray->translatedWindows()); });
    connect(GoBut, &QToolButton::clicked, m_search, &SearchJob::GoButClick);
    connect(StopBut, &QToolButton::clicked, m_search, &SearchJob::StopButClick);
    // While a search runs the pages stay locked: the scanner works from its snapshot.
    connect(m_search, &SearchJob::runningChanged, this, [this](bool running) {
        m_options->setPagesEnabled(!running);
        DublPage->setEnabled(!running);
        UpdateButtons();
    });
    connect(m_search, &SearchJob::resultsShown, this, &TForm1::RezButClick);
    connect(m_search, &SearchJob::stopping, this, &TForm1::OptionButClick);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == DublPage)
            DublPageShow();
    });
}

// The preview's look follows its options at once.
void TForm1::pushPreviewStyle()
{
    const OptionPages::PreviewStyle style = m_options->previewStyle();
    Panel3->setChartStyle(style.chartThreeD, style.chartLine, style.pictureBehindChart);
    Panel3->setUpright(style.upright);
}

void TForm1::ListSelectItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    pushPreviewStyle();
    const QString problem = Panel3->showRecord(m_model->record(row));
    if (!problem.isEmpty())
        Dialogs::instance().error(this, GetString("strError", "Error"), problem);
}

void TForm1::SpeedButton1Click()
{
    AboutBox about(this);
    about.exec();
}

void TForm1::ExitButClick()
{
    close();
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void TForm1::FormShow()
{
    m_lang = TMultiLang(); // lists the language files
    m_tray->hide();
    m_tray->setImage(0);
    PageControl1->setCurrentWidget(DublPage);
    m_options->FormShow();
    m_stopRequested = false;
    LoadSettings();
}

void TForm1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        MinimizeToTray();
}

void TForm1::setBanner(QWidget *banner)
{
    m_tray->setBanner(banner);
}

QSystemTrayIcon *TForm1::trayIcon() const
{
    return m_tray->icon();
}

void TForm1::MinimizeToTray()
{
    m_tray->MinimizeToTray();
}

void TForm1::TrayIconClick(int reason)
{
    m_tray->TrayIconClick(reason);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    m_stopRequested = true;
    if (m_deleter) {
        // The deleting thread waits on this thread for every row it removes: waiting for it
        // here would never end. It stops after the file in hand, and its end closes the window.
        m_closePending = true;
        event->ignore();
        return;
    }
    // The scanner leaves at its next poll; nothing it found is kept.
    endWorkers();
    // Before the banner closes: its closing ends the program, which would take down a message
    // box about a failed save the moment it opened, so that the user never saw the loss.
    SaveSettings();
    // The banner is the application's main window: closing it ends the program once this
    // handler has returned.
    m_tray->closeBanner();
    m_search->ClearResults();
    m_tray->hide();
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Panel3->FormResize();
}

} // namespace twinly
