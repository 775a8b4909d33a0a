// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate list's menus and the window's life (first showing, closing, resizing).
#include "main_window.h"

#include "dialogs.h"
#include "results_model.h"
#include "results_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
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
        Dialogs::instance().fileContextMenu(this, globalPos,
                                            QString::fromStdString(m_model->record(row).FullName));
}

void TForm1::ListSelectItem()
{
    // The preview of the selected row comes with the preview panel.
}

void TForm1::SpeedButton1Click()
{
    QMessageBox::about(this, tr("About Twinly"),
                       tr("Twinly %1\nFinds duplicate files.").arg(QStringLiteral(TWINLY_VERSION)));
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
    PageControl1->setCurrentWidget(DublPage);
    Radio2->setChecked(true);
    m_searching = false;
    m_stopRequested = false;
    LoadSettings();
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
    if (m_scanner) {
        // The scanner leaves at its next poll; nothing it found is kept.
        m_scanner->Terminate();
        m_scanner->WaitFor();
        m_scanner.reset();
        m_searching = false;
    }
    SaveSettings();
    ClearResults();
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
}

} // namespace twinly
