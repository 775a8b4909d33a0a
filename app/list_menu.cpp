// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate list's menus and the window's life (first showing, closing, resizing).
#include "main_window.h"

#include "about.h"
#include "color_list.h"
#include "dialogs.h"
#include "preview_panel.h"
#include "results_model.h"
#include "results_view.h"

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

#ifndef TWINLY_VERSION
#define TWINLY_VERSION "0"
#endif

namespace twinly {

void TForm1::ListMouseDown(int row, bool shifted, const QPoint &globalPos)
{
    if (ProgramMenu->isChecked() == shifted)
        ItemPopup->popup(globalPos);
    else
        Dialogs::instance().fileContextMenu(this, globalPos, m_model->record(row).FullName);
}

int TForm1::PreviewMode() const
{
    return Panel3->mode();
}

// The chart's look follows its options at once, also for a chart already shown.
void TForm1::pushChartStyle()
{
    Panel3->setChartStyle(Chart3D->isChecked(), ChartColor->color(), BackImage->isChecked());
}

void TForm1::ListSelectItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    pushChartStyle();
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
    CheckBox1->show();
    m_lang = TMultiLang(); // lists the language files
    TrayIcon->hide();
    setTrayImage(0);
    PageControl1->setCurrentWidget(DublPage);
    Radio2->setChecked(true);
    m_searching = false;
    m_stopRequested = false;
    LoadSettings();
}

QList<QWidget *> TForm1::translatedWindows() const
{
    QList<QWidget *> windows;
    if (m_banner)
        windows << m_banner.data();
    windows << const_cast<TForm1 *>(this);
    return windows;
}

void TForm1::SpecOptionsShow()
{
    Label18->hide();
    Languages->hide();
    const QSignalBlocker block(Languages);
    Languages->clear();
    m_lang.FindLanguageFiles();
    if (m_lang.LanguageFiles.isEmpty())
        return;
    Languages->addItems(m_lang.LanguageFiles);
    int current = -1;
    for (int i = 0; i < m_lang.LanguageFiles.size() && !m_lang.CurrentLang.isEmpty(); ++i)
        if (m_lang.LanguageFiles[i].compare(m_lang.CurrentLang, Qt::CaseInsensitive) == 0)
            current = i;
    Languages->setCurrentIndex(current);
    Label18->show();
    Languages->show();
}

void TForm1::LanguagesChange()
{
    m_lang.CurrentLang = Languages->currentText();
    m_lang.ApplyCurrentLanguage(translatedWindows());
}

void TForm1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        MinimizeToTray();
}

void TForm1::MinimizeToTray()
{
    // With no tray to bring it back from, the window stays minimised where it is.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    hide();
    TrayIcon->show();
}

void TForm1::TrayIconClick(int reason)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
        return; // the middle button does nothing
    showNormal();
    raise();
    activateWindow();
    TrayIcon->hide();
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
    if (m_banner)
        m_banner->close();
    ClearResults();
    TrayIcon->hide();
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Panel3->FormResize();
}

} // namespace twinly
