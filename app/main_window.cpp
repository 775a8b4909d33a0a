// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "color_list.h"
#include "dialogs.h"
#include "option_pages.h"
#include "path_fields.h"
#include "preview_panel.h"
#include "results_model.h"
#include "results_view.h"
#include "settings_store.h"
#include "tray.h"
#include "widgets.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

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
    buildStatusBar();
    buildItemPopup();
    m_tray = new Tray(this);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();
    // Progress reaches the status bar at a steady pace, however fast the scanner goes.
    m_statusTimer = new QTimer(this);
    m_statusTimer->setInterval(100);
    connect(m_statusTimer, &QTimer::timeout, this, &TForm1::refreshStatus);

    connectParts();
    UpdateButtons();
}

TForm1::~TForm1()
{
    endWorkers();
}

void TForm1::endWorkers()
{
    // Both threads stop at their next poll. Neither may reach this window afterwards: the
    // scanner's end is not delivered, and a delete run waiting on this thread is abandoned (a
    // wait for it here would otherwise never end). The file in hand is finished first.
    m_stopRequested = true;
    if (m_scanner) {
        m_scanner->CancelDelivery();
        m_scanner->Terminate();
        m_scanner->WaitFor();
        m_scanner.reset();
        m_searching = false;
    }
    if (m_deleter) {
        m_deleter->Abandon();
        m_deleter->WaitFor();
        m_deleter.reset();
    }
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
    connect(GoBut, &QToolButton::clicked, this, &TForm1::GoButClick);
    connect(StopBut, &QToolButton::clicked, this, &TForm1::StopButClick);
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
    DeleteAll = toolButton(panel6, "DeleteAll", tr("Delete all checked files from disk."),
                           QStyle::SP_TrashIcon, 18);
    RemoveAll = toolButton(panel6, "RemoveAll", tr("Remove all checked files from list."),
                           QStyle::SP_DialogDiscardButton, 18);
    h6->addWidget(DeleteAll);
    h6->addWidget(named(new QLabel(tr("Delete marked files")), "Label1"));
    h6->addSpacing(12);
    h6->addWidget(RemoveAll);
    h6->addWidget(named(new QLabel(tr("Remove marked files from list")), "Label2"));
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
    RxSplitter1->addWidget(panel2);

    Panel3 = new PreviewPanel;
    Panel3->setTexts(
        [this](const char *key, const char *builtIn) { return GetString(key, builtIn); });
    RxSplitter1->addWidget(Panel3);
    RxSplitter1->setStretchFactor(0, 0);
    RxSplitter1->setStretchFactor(1, 1);
    RxSplitter1->setSizes({385, 200});

    PageControl1->addTab(DublPage, tr("Dublicates"));

    connect(List, &ResultsView::deleteRequested, this, &TForm1::Delete1Click);
    connect(List, &ResultsView::openRequested, this, &TForm1::Open1Click);
    connect(List, &ResultsView::menuRequested, this, &TForm1::ListMouseDown);
    // A click makes a row current before it selects it: follow the selection.
    connect(List->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TForm1::ListSelectItem);
    connect(m_model, &ResultsModel::captionEdited, this, &TForm1::ListEdited);
    connect(DeleteAll, &QToolButton::clicked, this, &TForm1::DeleteAllClick);
    connect(RemoveAll, &QToolButton::clicked, this, &TForm1::RemoveAllClick);
}

void TForm1::buildStatusBar()
{
    auto *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    m_panel0 = named(new QLabel, "StatusPanel0");
    m_panel0->setFixedWidth(175);
    Gauge1 = named(new QProgressBar, "Gauge1");
    Gauge1->setRange(0, 100);
    Gauge1->setFixedSize(95, 15);
    styleGauge(Gauge1);
    Gauge1->hide();
    auto *panel1 = new QWidget;
    panel1->setFixedWidth(100);
    auto *h = new QHBoxLayout(panel1);
    h->setContentsMargins(2, 0, 2, 0);
    h->addWidget(Gauge1);
    m_panel2 = named(new QLabel, "StatusPanel2");
    m_panel2->setMinimumWidth(50);
    bar->addWidget(m_panel0);
    bar->addWidget(panel1);
    bar->addWidget(m_panel2, 1);
}

void TForm1::buildItemPopup()
{
    ItemPopup = named(new QMenu(this), "ItemPopup");
    struct Item {
        const char *name;
        QString caption;
        QString hint;
        void (TForm1::*handler)();
    };
    const Item items[] = {
        {"Delete1", tr("Delete"), tr("Delete current file from disk"), &TForm1::Delete1Click},
        {"Deleteonlyfromlist1", tr("Remove"), tr("Remove current file from list"),
         &TForm1::Deleteonlyfromlist1Click},
        {"Open1", tr("Open"), tr("Open current file"), &TForm1::Open1Click},
        {"Move1", tr("Move"), tr("Move current file to location"), &TForm1::Move1Click},
        {"Copy1", tr("Copy"), tr("Copy current file to location"), &TForm1::Copy1Click},
        {"Select1", tr("Select"), tr("Select all files from current directory"),
         &TForm1::Select1Click},
        {"Unselect1", tr("Unselect"), tr("Unselect all files from current directory"),
         &TForm1::Unselect1Click},
        {"Properties1", tr("System menu"), tr("Open system menu for current file"),
         &TForm1::Properties1Click},
    };
    for (const Item &item : items) {
        QAction *a = ItemPopup->addAction(item.caption);
        a->setObjectName(QString::fromLatin1(item.name));
        a->setToolTip(item.hint);
        a->setStatusTip(item.hint);
        connect(a, &QAction::triggered, this, item.handler);
        if (QLatin1String(item.name) == QLatin1String("Open1"))
            ItemPopup->setDefaultAction(a);
    }
    ItemPopup->setToolTipsVisible(true);
}

} // namespace twinly
