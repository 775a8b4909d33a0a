// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "about.h"
#include "checked_totals.h"
#include "empty_note.h"
#include "list_commands.h"
#include "list_host.h"
#include "option_pages.h"
#include "path_text.h"
#include "preview_panel.h"
#include "results_model.h"
#include "results_view.h"
#include "search_job.h"
#include "settings_store.h"
#include "status_panels.h"
#include "tray.h"
#include "widgets.h"
#include "window_keys.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#ifndef TWINLY_VERSION
#define TWINLY_VERSION "0"
#endif

namespace twinly {

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    m_settingsPath = platform::DefaultSettingsPath();
    setWindowTitle(tr("Twinly"));
    setMinimumSize(600, 391);
    resize(600, 391);
    openAtScreenCentre(this);
    keepHintsWhileResting(this);

    auto *central = new QWidget(this);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    buildToolBar();
    v->addWidget(Panel1);
    PageControl1 = named(new QTabWidget, "PageControl1");
    PageControl1->setMinimumHeight(312);
    v->addWidget(PageControl1, 1);
    setCentralWidget(central);

    buildResultsPage();
    m_options = new OptionPages(this, PageControl1, m_lang);
    m_status = new StatusPanels(statusBar());
    m_checkedTotals =
        new CheckedTotalsLabel(statusBar(), m_model, [this](const char *key, const char *builtIn) {
            return m_lang.GetString(QString::fromLatin1(key), QString::fromUtf8(builtIn));
        });
    m_tray = new Tray(this);
    m_search =
        new SearchJob({this, m_options, m_model, Panel3, m_tray, m_status, Brain, &m_lang, m_note},
                      m_stopRequested);
    m_search->setObjectName(QStringLiteral("SearchJob"));
    m_listHost = std::make_unique<WindowListHost>(
        WindowListHost::Parts{this, Panel1, PageControl1, List, m_options, Panel3, &m_lang,
                              &m_settingsPath, &m_closePending});
    m_commands = new ListCommands(this, List, m_model, m_status, *m_listHost, m_stopRequested);
    m_commands->setObjectName(QStringLiteral("ListCommands"));

    m_keys = new WindowKeys({this, PageControl1, GoBut, StopBut, ExitBut}, [this] {
        if (Searching())
            return m_lang.GetString(QStringLiteral("strGoSearching"),
                                    QStringLiteral("A search is running."));
        if (!m_options->hasFolders())
            return m_lang.GetString(
                QStringLiteral("strGoNoFolders"),
                QStringLiteral("Add a folder to search on the Options page first."));
        return QString();
    });

    connectParts();
    refreshGuide();
    UpdateButtons();
}

TForm1::~TForm1()
{
    // Both threads stop at their next poll, and neither reaches this window afterwards.
    m_stopRequested = true;
    m_search->endSearch();
    m_commands->abandonDeleteRun();
}

void TForm1::setSettingsPath(const QString &path)
{
    m_settingsPath = platform::PathFromUserText(path);
}

void TForm1::buildToolBar()
{
    Panel1 = named(new QWidget(this), "Panel1");
    Panel1->setFixedHeight(33);
    auto *h = new QHBoxLayout(Panel1);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    RezBut = toolButton(Panel1, "RezBut", tr("Results of duplicates."),
                        QStyle::SP_FileDialogDetailedView, 33);
    OptionBut = toolButton(Panel1, "OptionBut", tr("Configure options."),
                           QStyle::SP_FileDialogContentsView, 33);
    GoBut = toolButton(Panel1, "GoBut", tr("Go."), QStyle::SP_MediaPlay, 33);
    StopBut = toolButton(Panel1, "StopBut", tr("Stop."), QStyle::SP_MediaStop, 33);
    GoBut->setEnabled(false);
    StopBut->setEnabled(false);
    for (QToolButton *b : {RezBut, OptionBut, GoBut, StopBut})
        h->addWidget(b);
    h->addSpacing(248 - 4 * 33);
    Brain = named(new QLabel(Panel1), "Brain");
    Brain->setPixmap(style()->standardIcon(QStyle::SP_BrowserReload).pixmap(24, 24));
    Brain->setFixedSize(33, 33);
    Brain->setAlignment(Qt::AlignCenter);
    Brain->hide();
    h->addWidget(Brain);
    h->addStretch(1);
    auto *panel5 = named(new QWidget(Panel1), "Panel5");
    auto *h5 = new QHBoxLayout(panel5);
    h5->setContentsMargins(0, 0, 0, 0);
    h5->setSpacing(0);
    SpeedButton1 = toolButton(panel5, "SpeedButton1", tr("About program."),
                              QStyle::SP_MessageBoxInformation, 33);
    ExitBut = toolButton(panel5, "ExitBut", tr("Exit program."), QStyle::SP_DialogCloseButton, 33);
    h5->addWidget(SpeedButton1);
    h5->addWidget(ExitBut);
    h->addWidget(panel5);

    connect(RezBut, &QToolButton::clicked, this, &TForm1::RezButClick);
    connect(OptionBut, &QToolButton::clicked, this, &TForm1::OptionButClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(ExitBut, &QToolButton::clicked, this, &TForm1::ExitButClick);
}

void TForm1::buildResultsPage()
{
    DublPage = named(new QWidget, "DublPage");
    auto *v = new QVBoxLayout(DublPage);
    v->setContentsMargins(0, 0, 0, 0);
    RxSplitter1 = named(new QSplitter(Qt::Horizontal), "RxSplitter1");
    RxSplitter1->setHandleWidth(3);
    RxSplitter1->setChildrenCollapsible(false);
    v->addWidget(RxSplitter1);

    auto *panel2 = named(new QWidget, "Panel2");
    panel2->setMinimumWidth(355);
    auto *v2 = new QVBoxLayout(panel2);
    v2->setContentsMargins(0, 0, 0, 0);
    v2->setSpacing(0);
    auto *panel6 = named(new QWidget, "Panel6");
    panel6->setFixedHeight(25);
    auto *h6 = new QHBoxLayout(panel6);
    h6->setContentsMargins(2, 2, 2, 2);
    h6->setSpacing(3);
    DeleteAll = toolButton(panel6, "DeleteAll", tr("Delete all checked files from disk."),
                           QStyle::SP_TrashIcon, 18);
    RemoveAll = toolButton(panel6, "RemoveAll", tr("Remove all checked files from list."),
                           QStyle::SP_DialogDiscardButton, 18);
    auto *label1 = named(new QLabel(tr("Delete marked files")), "Label1");
    auto *label2 = named(new QLabel(tr("Remove marked files from list")), "Label2");
    ActAsButton(label1, DeleteAll);
    ActAsButton(label2, RemoveAll);
    // Beside deleting, the way to check files by a rule; the strip keeps both labels whole at
    // the window's smallest width.
    SelectRule =
        toolButton(panel6, "SelectRule", tr("Check files by a rule: all but one per group."),
                   QStyle::SP_DialogApplyButton, 18);
    h6->addWidget(DeleteAll);
    h6->addWidget(label1);
    h6->addWidget(SelectRule);
    h6->addSpacing(12);
    h6->addWidget(RemoveAll);
    h6->addWidget(label2);
    h6->addStretch(1);
    v2->addWidget(panel6);

    List = new ResultsView;
    m_model = new ResultsModel(this);
    List->setModel(m_model);
    List->header()->resizeSection(ResultsModel::NameColumn, 200);
    List->header()->resizeSection(ResultsModel::SizeColumn, 80);
    List->header()->resizeSection(ResultsModel::TimeColumn, 150);
    List->header()->resizeSection(ResultsModel::CrcColumn, 80);
    v2->addWidget(List, 1);
    m_note = new EmptyListNote(List);
    RxSplitter1->addWidget(panel2);

    Panel3 = new PreviewPanel;
    Panel3->setTexts([this](const char *key, const char *builtIn) {
        return m_lang.GetString(QString::fromLatin1(key), QString::fromUtf8(builtIn));
    });
    RxSplitter1->addWidget(Panel3);
    RxSplitter1->setStretchFactor(0, 0);
    RxSplitter1->setStretchFactor(1, 1);
    RxSplitter1->setSizes({385, 200});

    PageControl1->addTab(DublPage, tr("Dublicates"));
}

// The parts meet here: what the options change reaches the list, the preview and the
// translator through their signals.
void TForm1::connectParts()
{
    connect(m_options, &OptionPages::foldersChanged, this, &TForm1::UpdateButtons);
    connect(m_options, &OptionPages::bandColorsChanged, this,
            [this] { m_model->setBandColors(m_options->bandColor1(), m_options->bandColor2()); });
    connect(m_options, &OptionPages::previewModeChanged, Panel3, &PreviewPanel::setMode);
    connect(m_options, &OptionPages::previewStyleChanged, this,
            [this] { m_listHost->pushPreviewStyle(); });
    connect(m_options, &OptionPages::languageChanged, this, [this] {
        m_lang.ApplyCurrentLanguage(m_tray->translatedWindows());
        refreshGuide();
    });
    connect(m_options, &OptionPages::foldersChanged, this, &TForm1::refreshGuide);
    connect(DeleteAll, &QToolButton::clicked, m_commands, &ListCommands::DeleteAllClick);
    connect(RemoveAll, &QToolButton::clicked, m_commands, &ListCommands::RemoveAllClick);
    connect(SelectRule, &QToolButton::clicked, m_commands, &ListCommands::SelectByRuleClick);
    connect(GoBut, &QToolButton::clicked, m_search, &SearchJob::GoButClick);
    connect(StopBut, &QToolButton::clicked, m_search, &SearchJob::StopButClick);
    // While a search runs the pages stay locked: the scanner works from its snapshot.
    connect(m_search, &SearchJob::runningChanged, this, [this](bool running) {
        m_options->setPagesEnabled(!running);
        DublPage->setEnabled(!running);
        m_keys->setSearching(running);
        UpdateButtons();
    });
    connect(m_search, &SearchJob::resultsShown, this, &TForm1::RezButClick);
    connect(m_search, &SearchJob::stopping, this, &TForm1::OptionButClick);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == DublPage)
            DublPageShow();
    });
}

void TForm1::refreshGuide()
{
    m_note->setGuide(m_lang.GetString(QStringLiteral("strNoFolders"),
                                      QStringLiteral("No folder to search yet: add one on the "
                                                     "Options page, then press Go (F5).")),
                     !m_options->hasFolders());
}

void TForm1::UpdateButtons()
{
    GoBut->setEnabled(!Searching() && m_options->hasFolders());
    StopBut->setEnabled(Searching());
}

void TForm1::DublPageShow()
{
    if (m_commands->selectedRow() >= 0)
        m_commands->ListSelectItem();
}

void TForm1::RezButClick()
{
    PageControl1->setCurrentWidget(DublPage);
}

void TForm1::OptionButClick()
{
    PageControl1->setCurrentWidget(m_options->optionsTab());
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
    refreshGuide();
}

void TForm1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        m_tray->MinimizeToTray();
}

void TForm1::setBanner(QWidget *banner)
{
    m_tray->setBanner(banner);
}

QSystemTrayIcon *TForm1::trayIcon() const
{
    return m_tray->icon();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    m_stopRequested = true;
    if (m_commands->Deleting()) {
        // The deleting thread waits on this thread for every row it removes: waiting for it
        // here would never end. It stops after the file in hand, and its end closes the window.
        m_closePending = true;
        event->ignore();
        return;
    }
    // The scanner leaves at its next poll; nothing it found is kept.
    m_search->endSearch();
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

bool TForm1::Deleting() const
{
    return m_commands->Deleting();
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

SearchOptions TForm1::searchOptions() const
{
    return m_options->searchOptions();
}

} // namespace twinly
