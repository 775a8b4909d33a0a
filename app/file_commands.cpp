// SPDX-License-Identifier: GPL-3.0-or-later
// What the rows' commands do to files: delete (one, or the checked rows on a thread), move,
// copy, rename, open, the file's own menu; and the list edits that touch no file (select and
// unselect by path, remove from the list). Rows of database entries name no file: nothing here
// opens, deletes, moves, copies or renames them.
#include "main_window.h"

#include "dialogs.h"
#include "file_operations.h"
#include "masksearch.h"
#include "open_file.h"
#include "path_fields.h"
#include "path_text.h"
#include "paths.h"
#include "results_model.h"
#include "results_view.h"

#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>

#include <cmath>

namespace twinly {

using platform::FileOperation;
using platform::FileOpResult;
using namespace platform; // the FOF_ flags

namespace {

// Paths stay bytes; text is made from them for display only (see path_text.h).
QString textOf(std::string_view s)
{
    return platform::DisplayPath(s);
}

} // namespace

int TForm1::selectedRow() const
{
    const QModelIndex current = List->currentIndex();
    return current.isValid() && List->selectionModel()->isRowSelected(current.row(), {})
               ? current.row()
               : -1;
}

void TForm1::setBusy(bool busy)
{
    Panel1->setEnabled(!busy);
    PageControl1->setEnabled(!busy);
    List->setUpdatesEnabled(!busy);
}

bool TForm1::ShellFileOperation(const std::string &source, const std::string &target,
                                FileOperation operation, unsigned flags)
{
    FileOpResult r = RunFileOperation(source, target, operation, flags | FOF_NOCONFIRMATION, false);
    // An existing, different file is never replaced without asking: it may have no copy.
    if (!r.ok && r.targetExists) {
        const QString text = GetString("strReplace", "'%s' already exists. Replace it ?")
                                 .replace(QStringLiteral("%s"), textOf(target));
        if (!Dialogs::instance().question(this, GetString("strConfirm", "Confirm"), text, false))
            return false;
        r = RunFileOperation(source, target, operation, flags | FOF_NOCONFIRMATION, true);
    }
    if (!r.ok && !(flags & FOF_NOERRORUI))
        Dialogs::instance().error(this, GetString("strError", "Error"), textOf(r.error));
    return r.ok;
}

FileOpResult TForm1::DeleteByMode(const std::string &path) const
{
    return DeleteByMode(path, m_deleteMode, platform::FieldPath(MoveDir));
}

// Touches no widget: the deleting thread calls it with the mode and folder taken beforehand.
FileOpResult TForm1::DeleteByMode(const std::string &path, int mode, const std::string &keep)
{
    switch (mode) {
    case 1: {
        // The whole source path continues below the keeping folder; an earlier kept file of
        // the same path is replaced.
        std::string target = keep;
        target += path.starts_with('/') ? path : "/" + path;
        return RunFileOperation(path, target, FileOperation::Move,
                                FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR, true);
    }
    case 2:
        return RunFileOperation(path, {}, FileOperation::Delete,
                                FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_ALLOWUNDO,
                                false);
    default:
        return RunFileOperation(path, {}, FileOperation::Delete,
                                FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI, false);
    }
}

bool TForm1::keepingFolderUsable()
{
    if (m_deleteMode != 1 || !MoveDir->text().isEmpty())
        return true;
    Dialogs::instance().error(this, GetString("strError", "Error"),
                              GetString("strNoKeep", "No folder is set to keep deleted files in."));
    return false;
}

void TForm1::Delete1Click()
{
    const int row = selectedRow();
    if (row < 0 || m_deleter)
        return;
    if (ConfDel->isChecked() && !Dialogs::instance().question(
                                    this, GetString("strDel", "Deleting file"),
                                    GetString("str5", "Do you wnat to delete this file ?"), false))
        return;
    const TFileData &d = m_model->record(row);
    if (!d.OnDisk || !keepingFolderUsable())
        return;
    // A file changed since the search may no longer be a duplicate.
    if (!UnchangedSinceSearch(d.FullName, d.FileSize, d.FileTime)) {
        Dialogs::instance().error(
            this, GetString("strError", "Error"),
            GetString("strChanged",
                      "The file has changed since the search and was not deleted:\n%s")
                .replace(QStringLiteral("%s"), textOf(d.FullName)));
        return;
    }
    const FileOpResult r = DeleteByMode(d.FullName);
    if (!r.ok) {
        if (m_deleteMode == 1)
            Dialogs::instance().error(this, GetString("strError", "Error"), textOf(r.error));
        return;
    }
    m_model->RemoveRow(row);
}

void TForm1::DeleteAllClick()
{
    if (m_deleter)
        return;
    if (ConfDelAll->isChecked() &&
        !Dialogs::instance().question(this, GetString("strDel", "Deleting file"),
                                      GetString("str6", "Do you wnat to delete selected files ?"),
                                      false))
        return;
    // A group whose every file on disk is checked would lose every copy: ask, whatever the
    // confirmation settings say.
    int losing = 0;
    for (int start = 0; start < m_model->size();) {
        int end = start + 1;
        while (end < m_model->size() && m_model->band(end) == m_model->band(start))
            ++end;
        int onDisk = 0, checkedOnDisk = 0;
        for (int i = start; i < end; ++i) {
            if (m_model->record(i).OnDisk) {
                ++onDisk;
                checkedOnDisk += m_model->isChecked(i) ? 1 : 0;
            }
        }
        losing += onDisk > 0 && onDisk == checkedOnDisk ? 1 : 0;
        start = end;
    }
    if (losing > 0 &&
        !Dialogs::instance().question(
            this, GetString("strDel", "Deleting file"),
            GetString("strLoseAll",
                      "All files of %d groups are checked: deleting them leaves no copy of "
                      "those files. Delete anyway ?")
                .replace(QStringLiteral("%d"), QString::number(losing)),
            false))
        return;
    if (!keepingFolderUsable())
        return;

    std::vector<DeleteJob> jobs;
    for (int i = 0; i < m_model->size(); ++i) {
        const TFileData &d = m_model->record(i);
        if (m_model->isChecked(i) && d.OnDisk)
            jobs.push_back({i, d.FullName, d.FileSize, d.FileTime});
    }
    setBusy(true);
    Gauge1->setValue(0);
    Gauge1->show();
    m_panel0->setText(QStringLiteral("Deleting files"));
    m_panel2->clear();
    m_changedFiles = 0;
    m_stopRequested = false;
    m_deleter = std::make_unique<TDeleter>(
        std::move(jobs), m_model->size(),
        [mode = m_deleteMode, keep = platform::FieldPath(MoveDir)](const std::string &path) {
            return DeleteByMode(path, mode, keep);
        },
        m_stopRequested, static_cast<DeleterHost *>(this), this);
    m_deleter->Resume();
}

void TForm1::deleterShowItem(const std::string &path)
{
    m_panel2->setText(textOf(path));
}

void TForm1::deleterRemoveRow(int row)
{
    m_model->RemoveRow(row);
}

void TForm1::deleterGauge(int percent)
{
    Gauge1->setValue(percent);
}

void TForm1::deleterFailed(const std::string &, const FileOpResult &r)
{
    // Moving to the keeping folder reports its errors; the two deletes are silent.
    if (m_deleteMode == 1)
        Dialogs::instance().error(this, GetString("strError", "Error"), textOf(r.error));
}

void TForm1::deleterChanged(const std::string &)
{
    ++m_changedFiles;
}

void TForm1::deleterFinished()
{
    if (m_deleter) {
        m_deleter->WaitFor();
        m_deleter.reset();
    }
    m_panel0->clear();
    m_panel2->clear();
    Gauge1->hide();
    setBusy(false);
    if (m_closePending) {
        close();
        return;
    }
    if (m_changedFiles > 0)
        Dialogs::instance().error(
            this, GetString("strError", "Error"),
            GetString("strChangedAll", "%d files have changed since the search and were not "
                                       "deleted.")
                .replace(QStringLiteral("%d"), QString::number(m_changedFiles)));
}

void TForm1::Move1Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    std::string folder;
    if (!Dialogs::instance().chooseDestination(this, GetString("str8", "Move files"),
                                               m_settingsPath, folder) ||
        folder.empty())
        return;
    const TFileData &d = m_model->record(row);
    if (!d.OnDisk)
        return;
    const std::string target = folder + "/" + NameOfPath(d.FullName);
    if (ShellFileOperation(d.FullName, target, FileOperation::Move, FOF_SILENT))
        m_model->setFullName(row, target); // the row follows the file
}

void TForm1::Copy1Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    std::string folder;
    if (!Dialogs::instance().chooseDestination(this, GetString("str4", "Copy files"),
                                               m_settingsPath, folder) ||
        folder.empty())
        return;
    const TFileData &d = m_model->record(row);
    if (!d.OnDisk)
        return;
    ShellFileOperation(d.FullName, folder + "/" + NameOfPath(d.FullName), FileOperation::Copy,
                       FOF_SILENT);
}

void TForm1::ListEdited(int row, const QString &text)
{
    if (row < 0 || row >= m_model->size() || !m_model->record(row).OnDisk)
        return; // the caption keeps its text
    // The caption showed the path as DisplayPath's text; the edit is read back the same way.
    const std::string target = platform::PathFromEditedText(text, m_model->record(row).FullName);
    if (ShellFileOperation(m_model->record(row).FullName, target, FileOperation::Move, FOF_SILENT))
        m_model->setFullName(row, target);
}

void TForm1::CheckRowsInPath(const std::string &mask, bool select)
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

void TForm1::Select1Click()
{
    askPathAndCheckRows(QStringLiteral("Select all files in path"), true);
}

void TForm1::Unselect1Click()
{
    askPathAndCheckRows(QStringLiteral("Unselect all files in path"), false);
}

// The selected row's folder is offered as the path; these texts are not translated.
void TForm1::askPathAndCheckRows(const QString &caption, bool select)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const std::string folder(m_model->record(row).DirName());
    QString text = textOf(folder);
    if (Dialogs::instance().getText(this, caption, QStringLiteral("Path"), text))
        CheckRowsInPath(platform::PathFromEditedText(text, folder), select);
}

void TForm1::Deleteonlyfromlist1Click()
{
    const int row = selectedRow();
    if (row >= 0)
        m_model->RemoveRow(row);
}

void TForm1::RemoveAllClick()
{
    if (m_deleter)
        return;
    setBusy(true);
    const int n = m_model->size();
    Gauge1->setValue(0);
    Gauge1->show();
    m_panel0->setText(QStringLiteral("Deleting from list"));
    m_panel2->clear();
    for (int i = n - 1; i >= 0 && !m_stopRequested; --i) {
        if (m_model->isChecked(i)) {
            m_panel2->setText(textOf(m_model->record(i).FullName));
            m_model->RemoveRow(i);
        }
        Gauge1->setValue(static_cast<int>(std::nearbyint((n - i) * 100.0 / n)));
    }
    m_panel0->clear();
    m_panel2->clear();
    Gauge1->hide();
    setBusy(false);
}

void TForm1::Open1Click()
{
    const int row = selectedRow();
    if (row < 0 || !m_model->record(row).OnDisk)
        return;
    OpenFile(m_model->record(row).FullName);
}

int TForm1::OpenFile(const std::string &path)
{
    const int result = platform::ShellOpen(path);
    if (result <= 32)
        Dialogs::instance().error(this, GetString("strError", "Error"),
                                  GetString("str7", "ERROR - Can't open file ") +
                                      textOf(NameOfPath(path)));
    return result;
}

void TForm1::Properties1Click()
{
    Properties1At(QCursor::pos());
}

void TForm1::Properties1At(const QPoint &globalPos)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    Dialogs::instance().fileContextMenu(this, globalPos, m_model->record(row).FullName);
}

} // namespace twinly
