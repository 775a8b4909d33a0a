// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_commands.h"

#include "masksearch.h"
#include "open_file.h"
#include "path_text.h"
#include "paths.h"
#include "results_model.h"
#include "results_view.h"
#include "status_panels.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QWidget>

#include <cmath>

namespace twinly {

using platform::DisplayPath;

ListCommands::ListCommands(QWidget *window, ResultsView *list, ResultsModel *model,
                           StatusPanels *status, ListHost &host, std::atomic<bool> &stopRequested)
    : QObject(window), List(list), m_model(model), m_status(status), m_host(host),
      m_stop(stopRequested)
{
    buildItemPopup(window);
    connect(List, &ResultsView::deleteRequested, this, &ListCommands::Delete1Click);
    connect(List, &ResultsView::openRequested, this, &ListCommands::Open1Click);
    connect(List, &ResultsView::menuRequested, this, &ListCommands::ListMouseDown);
    // A click makes a row current before it selects it: follow the selection.
    connect(List->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListCommands::ListSelectItem);
    connect(m_model, &ResultsModel::captionEdited, this, &ListCommands::ListEdited);
}

ListCommands::~ListCommands()
{
    abandonDeleteRun();
}

void ListCommands::abandonDeleteRun()
{
    // A run waiting on this thread is abandoned (a wait for it here would otherwise never end);
    // the file in hand is finished first.
    if (m_deleter) {
        m_deleter->Abandon();
        m_deleter->WaitFor();
        m_deleter.reset();
    }
}

QString ListCommands::GetString(const char *key, const char *builtIn) const
{
    return m_host.GetString(key, builtIn);
}

void ListCommands::buildItemPopup(QWidget *window)
{
    ItemPopup = new QMenu(window);
    ItemPopup->setObjectName(QStringLiteral("ItemPopup"));
    struct Item {
        const char *name;
        QString caption;
        QString hint;
        void (ListCommands::*handler)();
    };
    const Item items[] = {
        {"Delete1", tr("Delete"), tr("Delete current file from disk"), &ListCommands::Delete1Click},
        {"Deleteonlyfromlist1", tr("Remove"), tr("Remove current file from list"),
         &ListCommands::Deleteonlyfromlist1Click},
        {"Open1", tr("Open"), tr("Open current file"), &ListCommands::Open1Click},
        {"Move1", tr("Move"), tr("Move current file to location"), &ListCommands::Move1Click},
        {"Copy1", tr("Copy"), tr("Copy current file to location"), &ListCommands::Copy1Click},
        {"Select1", tr("Select"), tr("Select all files from current directory"),
         &ListCommands::Select1Click},
        {"Unselect1", tr("Unselect"), tr("Unselect all files from current directory"),
         &ListCommands::Unselect1Click},
        {"Properties1", tr("System menu"), tr("Open system menu for current file"),
         &ListCommands::Properties1Click},
        {nullptr, {}, {}, nullptr},
        {"SelectRule1", tr("Select by rule..."),
         tr("Check every file of each group but the one a rule keeps"),
         &ListCommands::SelectByRuleClick},
        {"UnselectAll1", tr("Unselect all"), tr("Uncheck every file"),
         &ListCommands::UnselectAllClick},
        {"InvertGroups1", tr("Invert within groups"),
         tr("Check the unchecked files of each group and uncheck the checked ones"),
         &ListCommands::InvertGroupsClick},
        {"Link1", tr("Replace by link..."),
         tr("Replace current file by a link to a copy kept in its group"),
         &ListCommands::Link1Click},
        {"LinkAll1", tr("Replace marked files by links..."),
         tr("Replace all checked files by links to copies kept in their groups"),
         &ListCommands::LinkAllClick},
        {"SaveList1", tr("Save list..."), tr("Save the list as CSV or JSON"),
         &ListCommands::SaveListClick},
    };
    for (const Item &item : items) {
        if (!item.name) {
            ItemPopup->addSeparator();
            continue;
        }
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

void ListCommands::ListMouseDown(int row, bool shifted, const QPoint &globalPos)
{
    if (m_host.programMenuOnShift() == shifted)
        ItemPopup->popup(globalPos);
    else
        m_host.fileContextMenu(globalPos, m_model->record(row).FullName);
}

void ListCommands::ListSelectItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString problem = m_host.showPreview(m_model->record(row));
    if (!problem.isEmpty())
        m_host.error(GetString("strError", "Error"), problem);
}

int ListCommands::selectedRow() const
{
    const QModelIndex current = List->currentIndex();
    return current.isValid() && List->selectionModel()->isRowSelected(current.row(), {})
               ? current.row()
               : -1;
}

void ListCommands::CheckRowsInPath(const std::string &mask, bool select)
{
    const MaskList masks = BuildMaskList(mask);
    const int n = m_model->size();
    for (int i = n - 1; i >= 0; --i) {
        if (select && m_model->isChecked(i))
            continue;
        bool state = false;
        if (select) {
            // A row is checked only while a neighbour of its group stays unchecked.
            if (i > 0 && m_model->band(i - 1) == m_model->band(i))
                state = m_model->isChecked(i) == m_model->isChecked(i - 1);
            if (!state && i < n - 1 && m_model->band(i + 1) == m_model->band(i))
                state = m_model->isChecked(i) == m_model->isChecked(i + 1);
        }
        if (MatchMaskList(m_model->record(i).FullName, masks, /*wholeName=*/true))
            m_model->setChecked(i, state);
    }
}

void ListCommands::Select1Click()
{
    askPathAndCheckRows(QStringLiteral("Select all files in path"), true);
}

void ListCommands::Unselect1Click()
{
    askPathAndCheckRows(QStringLiteral("Unselect all files in path"), false);
}

// The selected row's folder is offered as the path; these texts are not translated.
void ListCommands::askPathAndCheckRows(const QString &caption, bool select)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const std::string folder(m_model->record(row).DirName());
    QString text = DisplayPath(folder);
    if (m_host.getText(caption, QStringLiteral("Path"), text))
        CheckRowsInPath(platform::PathFromEditedText(text, folder), select);
}

void ListCommands::Deleteonlyfromlist1Click()
{
    const int row = selectedRow();
    if (row >= 0)
        m_model->RemoveRow(row);
}

void ListCommands::RemoveAllClick()
{
    if (m_deleter)
        return;
    m_host.setBusy(true);
    const int n = m_model->size();
    m_status->setGauge(0);
    m_status->showGauge(true);
    m_status->setActivity(QStringLiteral("Deleting from list"));
    m_status->setItem({});
    for (int i = n - 1; i >= 0 && !m_stop; --i) {
        if (m_model->isChecked(i)) {
            m_status->setItem(DisplayPath(m_model->record(i).FullName));
            m_model->RemoveRow(i);
        }
        m_status->setGauge(static_cast<int>(std::nearbyint((n - i) * 100.0 / n)));
    }
    m_status->clearTexts();
    m_status->showGauge(false);
    m_host.setBusy(false);
}

void ListCommands::Open1Click()
{
    const int row = selectedRow();
    if (row < 0 || !m_model->record(row).OnDisk)
        return;
    OpenFile(m_model->record(row).FullName);
}

int ListCommands::OpenFile(const std::string &path)
{
    const int result = platform::ShellOpen(path);
    if (result <= 32)
        m_host.error(GetString("strError", "Error"),
                     GetString("str7", "ERROR - Can't open file ") + DisplayPath(NameOfPath(path)));
    return result;
}

void ListCommands::Properties1Click()
{
    Properties1At(QCursor::pos());
}

void ListCommands::Properties1At(const QPoint &globalPos)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    m_host.fileContextMenu(globalPos, m_model->record(row).FullName);
}

} // namespace twinly
