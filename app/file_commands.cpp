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
#include "option_pages.h"
#include "path_fields.h"
#include "path_text.h"
#include "paths.h"
#include "results_model.h"
#include "results_view.h"
#include "system_info.h"

#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_set>

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

// "~" and "~/..." begin at the home folder; every other text is taken as it stands.
std::string expandHome(std::string text)
{
    if (text == "~" || text.starts_with("~/")) {
        const std::string home = platform::HomeFolder();
        if (!home.empty())
            text.replace(0, 1, home);
    }
    return text;
}

// True when the absolute path, read lexically, names the root folder ("/", "//", "/.", "/a/..").
bool namesRoot(std::string_view path)
{
    int depth = 0;
    std::size_t i = 0;
    while (i < path.size()) {
        const std::size_t slash = std::min(path.find('/', i), path.size());
        const std::string_view part = path.substr(i, slash - i);
        if (part == "..")
            depth = std::max(0, depth - 1);
        else if (!part.empty() && part != ".")
            ++depth;
        i = slash + 1;
    }
    return depth == 0;
}

// A folder for files to go to, as the user typed it: false unless it is an absolute path other
// than the root once "~" is expanded. A relative path would depend on the program's working
// folder, which the user never sees.
bool usableFolder(const std::string &typed, std::string &folder)
{
    std::string path = expandHome(typed);
    if (!path.starts_with('/') || namesRoot(path))
        return false;
    while (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    folder = std::move(path);
    return true;
}

// Where the keeping folder keeps a file: its whole path continues below the folder.
std::string keepingTarget(const std::string &keep, const std::string &path)
{
    return keep + (path.starts_with('/') ? path : "/" + path);
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

QString TForm1::failureText(const std::string &source, const FileOpResult &r) const
{
    if (r.sourceChanged)
        return GetString("strMoveChanged",
                         "'%s' was changed while it was being moved: it stays where it was, and "
                         "its copy was removed.")
            .replace(QStringLiteral("%s"), textOf(source));
    return textOf(r.error);
}

bool TForm1::ShellFileOperation(const std::string &source, const std::string &target,
                                FileOperation operation, unsigned flags,
                                const std::function<bool(const std::string &)> &mayReplace)
{
    FileOpResult r = RunFileOperation(source, target, operation, flags | FOF_NOCONFIRMATION, false);
    // An existing, different file is never replaced without asking: it may have no copy.
    if (!r.ok && r.targetExists) {
        const QString text = GetString("strReplace", "'%s' already exists. Replace it ?")
                                 .replace(QStringLiteral("%s"), textOf(target));
        if (!Dialogs::instance().question(this, GetString("strConfirm", "Confirm"), text, false))
            return false;
        if (mayReplace && !mayReplace(target))
            return false;
        r = RunFileOperation(source, target, operation, flags | FOF_NOCONFIRMATION, true);
    }
    if (!r.ok && !(flags & FOF_NOERRORUI))
        Dialogs::instance().error(this, GetString("strError", "Error"), failureText(source, r));
    return r.ok;
}

FileOpResult TForm1::DeleteByMode(const std::string &path) const
{
    std::string keep;
    if (m_options->deleteMode() == 1 && !usableFolder(m_options->keepingFolderText(), keep)) {
        FileOpResult refused;
        refused.error = "No usable keeping folder";
        return refused;
    }
    return DeleteByMode(path, m_options->deleteMode(), keep);
}

// Touches no widget: the deleting thread calls it with the mode and folder taken beforehand.
FileOpResult TForm1::DeleteByMode(const std::string &path, int mode, const std::string &keep)
{
    switch (mode) {
    case 1: {
        // The whole source path continues below the keeping folder; an earlier kept file of
        // the same path is replaced.
        const std::string target = keepingTarget(keep, path);
        if (platform::IdentifyFile(target).sameFile(platform::IdentifyFile(path))) {
            // A keeping folder that leads back to the file: "moved" there, it would stay.
            FileOpResult refused;
            refused.error = "'" + path + "' would be kept in its own place";
            return refused;
        }
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

bool TForm1::destinationFolder(const std::string &typed, std::string &folder)
{
    if (usableFolder(typed, folder))
        return true;
    Dialogs::instance().error(
        this, GetString("strError", "Error"),
        GetString("strBadFolder", "'%s' cannot take the files: give the full path of a folder "
                                  "(beginning with / or ~/) other than the root folder.")
            .replace(QStringLiteral("%s"), textOf(typed)));
    return false;
}

bool TForm1::keepingFolder(std::string &folder)
{
    if (m_options->keepingFolderText().empty()) {
        Dialogs::instance().error(
            this, GetString("strError", "Error"),
            GetString("strNoKeep", "No folder is set to keep deleted files in."));
        return false;
    }
    return destinationFolder(m_options->keepingFolderText(), folder);
}

std::vector<std::uint32_t> TForm1::groupsLosingLastCopy(std::vector<int> leaving,
                                                        const std::function<bool(int)> &alsoRow,
                                                        const FileKeySet &alsoFiles) const
{
    std::sort(leaving.begin(), leaving.end());
    leaving.erase(std::unique(leaving.begin(), leaving.end()), leaving.end());
    std::vector<LastCopyRow> rows;
    int addedUntil = 0;
    for (const int r : leaving) {
        if (r < addedUntil)
            continue; // its group is in already
        const auto [first, last] = m_model->groupRange(r);
        for (int i = first; i < last; ++i) {
            const bool out =
                std::binary_search(leaving.begin(), leaving.end(), i) || (alsoRow && alsoRow(i));
            rows.push_back({m_model->group(i), &m_model->record(i), out});
        }
        addedUntil = last;
    }
    return GroupsLosingLastCopy(rows, alsoFiles);
}

bool TForm1::confirmLastCopies(std::size_t groups, const QString &caption)
{
    if (groups == 0)
        return true;
    return Dialogs::instance().question(
        this, caption,
        GetString("strLastCopy",
                  "%d groups would lose their last copy on disk (a copy recorded only in a CRC "
                  "database does not count). Go on anyway ?")
            .replace(QStringLiteral("%d"), QString::number(groups)),
        false);
}

std::vector<int> TForm1::rowsNamingFile(const std::string &path, const platform::FileIdentity &file,
                                        int except) const
{
    std::vector<int> rows;
    for (int i = 0; i < m_model->size(); ++i) {
        const TFileData &d = m_model->record(i);
        if (i == except || !d.OnDisk)
            continue;
        const bool sameFile =
            file.regular() && d.Inode != 0 && d.Device == file.Device && d.Inode == file.Inode;
        if (sameFile || d.FullName == path)
            rows.push_back(i);
    }
    return rows;
}

// Rows whose path no longer names the file they recorded leave; a second name of the file
// (a hard link elsewhere) still names it and stays.
void TForm1::removeRowsThatLostTheirFile(const std::vector<std::uint64_t> &ids)
{
    for (const std::uint64_t id : ids) {
        const int row = m_model->rowOfId(id);
        if (row >= 0 && CheckSinceSearch(m_model->record(row)) != FileState::Unchanged)
            m_model->RemoveRow(row);
    }
}

// Whether `path` may be kept below the keeping folder: refused when the target is the file
// itself. `replaced` receives the rows naming the file the move would replace there.
bool TForm1::keepingTargetUsable(const std::string &path, const std::string &keep,
                                 std::vector<int> &replaced)
{
    const std::string target = keepingTarget(keep, path);
    const platform::FileIdentity victim = platform::IdentifyFile(target);
    if (victim.kind == platform::FileIdentity::Kind::Missing)
        return true;
    if (victim.sameFile(platform::IdentifyFile(path))) {
        Dialogs::instance().error(this, GetString("strError", "Error"),
                                  GetString("strKeepItself",
                                            "The keeping folder leads back to the file itself; it "
                                            "was not deleted:\n%s")
                                      .replace(QStringLiteral("%s"), textOf(path)));
        return false;
    }
    replaced = rowsNamingFile(target, victim, -1);
    return true;
}

void TForm1::Delete1Click()
{
    const int row = selectedRow();
    if (row < 0 || m_deleter)
        return;
    if (m_options->confirmDelete() &&
        !Dialogs::instance().question(this, GetString("strDel", "Deleting file"),
                                      GetString("str5", "Do you wnat to delete this file ?"),
                                      false))
        return;
    const TFileData &d = m_model->record(row);
    std::string keep;
    if (!d.OnDisk || (m_options->deleteMode() == 1 && !keepingFolder(keep)))
        return;
    switch (CheckSinceSearch(d)) {
    case FileState::Gone:
        Dialogs::instance().error(
            this, GetString("strError", "Error"),
            GetString("strGone", "The file no longer exists and has left the list:\n%s")
                .replace(QStringLiteral("%s"), textOf(d.FullName)));
        m_model->RemoveRow(row);
        return;
    case FileState::Changed:
        // A file changed since the search may no longer be a duplicate.
        Dialogs::instance().error(
            this, GetString("strError", "Error"),
            GetString("strChanged",
                      "The file has changed since the search and was not deleted:\n%s")
                .replace(QStringLiteral("%s"), textOf(d.FullName)));
        return;
    case FileState::Unchanged:
        break;
    }
    std::vector<int> replaced;
    if (m_options->deleteMode() == 1 && !keepingTargetUsable(d.FullName, keep, replaced))
        return;
    std::vector<int> leaving = replaced;
    leaving.push_back(row);
    if (!confirmLastCopies(groupsLosingLastCopy(leaving).size(),
                           GetString("strDel", "Deleting file")))
        return;
    std::vector<std::uint64_t> replacedIds;
    replacedIds.reserve(replaced.size());
    for (const int r : replaced)
        replacedIds.push_back(m_model->rowId(r));
    const std::uint64_t id = m_model->rowId(row);
    const std::string path = d.FullName;
    const FileOpResult r = DeleteByMode(path, m_options->deleteMode(), keep);
    if (!r.ok) {
        if (m_options->deleteMode() == 1)
            Dialogs::instance().error(this, GetString("strError", "Error"), failureText(path, r));
        return;
    }
    removeRowsThatLostTheirFile(replacedIds);
    m_model->RemoveRow(m_model->rowOfId(id));
}

void TForm1::DeleteAllClick()
{
    if (m_deleter)
        return;
    if (m_options->confirmDeleteAll() &&
        !Dialogs::instance().question(this, GetString("strDel", "Deleting file"),
                                      GetString("str6", "Do you wnat to delete selected files ?"),
                                      false))
        return;
    std::string keep;
    if (m_options->deleteMode() == 1 && !keepingFolder(keep))
        return;

    std::vector<int> leaving;
    FileKeySet leavingFiles;
    for (int i = 0; i < m_model->size(); ++i) {
        const TFileData &d = m_model->record(i);
        if (m_model->isChecked(i) && d.OnDisk) {
            leaving.push_back(i);
            if (d.Inode != 0)
                leavingFiles.insert(KeyOf(d));
        }
    }
    const std::size_t checkedRows = leaving.size();
    if (m_options->deleteMode() == 1) {
        // Files the moves would replace in the keeping folder leave too, rows and all.
        FileKeySet victims;
        std::unordered_set<std::string> victimPaths;
        for (std::size_t k = 0; k < checkedRows; ++k) {
            const std::string target = keepingTarget(keep, m_model->record(leaving[k]).FullName);
            const platform::FileIdentity victim = platform::IdentifyFile(target);
            if (victim.kind == platform::FileIdentity::Kind::Missing)
                continue;
            victimPaths.insert(target);
            if (victim.regular()) {
                victims.insert({victim.Device, victim.Inode});
                leavingFiles.insert({victim.Device, victim.Inode});
            }
        }
        if (!victimPaths.empty())
            for (int i = 0; i < m_model->size(); ++i) {
                const TFileData &d = m_model->record(i);
                if (d.OnDisk && (victims.contains(KeyOf(d)) || victimPaths.contains(d.FullName)))
                    leaving.push_back(i);
            }
    }
    const std::vector<std::uint32_t> losing = groupsLosingLastCopy(leaving, {}, leavingFiles);
    // Whatever the confirmation settings say: a group left without a copy is asked about.
    if (!confirmLastCopies(losing.size(), GetString("strDel", "Deleting file")))
        return;

    std::vector<DeleteJob> jobs;
    m_run = DeleteRun();
    m_run.mode = m_options->deleteMode();
    m_run.keep = keep;
    m_run.leavingFiles = std::move(leavingFiles);
    m_run.consented.insert(losing.begin(), losing.end());
    for (std::size_t k = 0; k < checkedRows; ++k) {
        const int i = leaving[k];
        const TFileData &d = m_model->record(i);
        TFileData facts;
        facts.FullName = d.FullName;
        facts.NameStart = d.NameStart;
        facts.FileSize = d.FileSize;
        facts.FileTime = d.FileTime;
        facts.Device = d.Device;
        facts.Inode = d.Inode;
        facts.MtimeNs = d.MtimeNs;
        facts.CtimeNs = d.CtimeNs;
        jobs.push_back({i, m_model->rowId(i), std::move(facts)});
        m_run.jobIds.insert(m_model->rowId(i));
    }
    setBusy(true);
    Gauge1->setValue(0);
    Gauge1->show();
    m_panel0->setText(QStringLiteral("Deleting files"));
    m_panel2->clear();
    m_stopRequested = false;
    m_deleter = std::make_unique<TDeleter>(
        std::move(jobs), m_model->size(),
        [mode = m_options->deleteMode(), keep](const std::string &path) {
            return DeleteByMode(path, mode, keep);
        },
        m_stopRequested, static_cast<DeleterHost *>(this), this);
    m_deleter->Resume();
}

bool TForm1::deleterMayDelete(const DeleteJob &job, FileState state)
{
    m_run.replaced.clear();
    const int row = m_model->rowOfId(job.rowId);
    if (row < 0)
        return false; // its file was replaced by another one kept, and its row left with it
    m_panel2->setText(textOf(job.record.FullName));
    if (state == FileState::Gone) {
        m_model->RemoveRow(row);
        ++m_run.gone;
        return false;
    }
    if (state == FileState::Changed) {
        ++m_run.changed;
        return false;
    }
    std::vector<int> replaced;
    if (m_run.mode == 1 && !keepingTargetUsable(job.record.FullName, m_run.keep, replaced))
        return false;
    // Asked again for every file: a copy counted on when the user agreed may have changed or
    // gone since.
    std::vector<int> leaving = replaced;
    leaving.push_back(row);
    const auto losing = groupsLosingLastCopy(
        leaving, [this](int r) { return m_run.jobIds.contains(m_model->rowId(r)); },
        m_run.leavingFiles);
    for (const std::uint32_t group : losing)
        if (!m_run.consented.contains(group)) {
            ++m_run.keptBack;
            return false;
        }
    for (const int r : replaced)
        m_run.replaced.push_back(m_model->rowId(r));
    return true;
}

void TForm1::deleterDeleted(const DeleteJob &job, const FileOpResult &r)
{
    if (r.ok) {
        removeRowsThatLostTheirFile(m_run.replaced);
        m_model->RemoveRow(m_model->rowOfId(job.rowId));
    } else if (m_run.mode == 1) {
        // Moving to the keeping folder reports its errors; the two deletes are silent.
        Dialogs::instance().error(this, GetString("strError", "Error"),
                                  failureText(job.record.FullName, r));
    }
    m_run.replaced.clear();
}

void TForm1::deleterGauge(int percent)
{
    Gauge1->setValue(percent);
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
    QStringList told;
    if (m_run.gone > 0)
        told << GetString("strGoneAll", "%d files no longer existed and have left the list.")
                    .replace(QStringLiteral("%d"), QString::number(m_run.gone));
    if (m_run.changed > 0)
        told << GetString("strChangedAll", "%d files have changed since the search and were not "
                                           "deleted.")
                    .replace(QStringLiteral("%d"), QString::number(m_run.changed));
    if (m_run.keptBack > 0)
        told << GetString("strKeptBack", "%d files were not deleted: no other copy of them is "
                                         "left unchanged on disk.")
                    .replace(QStringLiteral("%d"), QString::number(m_run.keptBack));
    m_run = DeleteRun();
    if (!told.isEmpty())
        Dialogs::instance().error(this, GetString("strError", "Error"),
                                  told.join(QLatin1Char('\n')));
}

// Moves or copies the row's file. A file replaced at the target goes through the last-copy
// rule first, and the rows that named it leave. False when nothing was done; `row` follows the
// row while rows before it leave.
bool TForm1::transferRowFile(int &row, const std::string &target, FileOperation operation)
{
    const std::string source = m_model->record(row).FullName;
    // Onto itself, or onto a second name of itself: nothing would happen on disk.
    if (platform::IdentifyFile(target).sameFile(platform::IdentifyFile(source)))
        return false;
    const std::uint64_t id = m_model->rowId(row);
    std::vector<std::uint64_t> replaced;
    const bool done = ShellFileOperation(
        source, target, operation, FOF_SILENT, [&](const std::string &victimPath) {
            const std::vector<int> leaving =
                rowsNamingFile(victimPath, platform::IdentifyFile(victimPath), row);
            if (!confirmLastCopies(groupsLosingLastCopy(leaving).size(),
                                   GetString("strConfirm", "Confirm")))
                return false;
            for (const int r : leaving)
                replaced.push_back(m_model->rowId(r));
            return true;
        });
    if (!done)
        return false;
    removeRowsThatLostTheirFile(replaced);
    row = m_model->rowOfId(id);
    return row >= 0;
}

void TForm1::Move1Click()
{
    int row = selectedRow();
    if (row < 0)
        return;
    std::string folder;
    if (!Dialogs::instance().chooseDestination(this, GetString("str8", "Move files"),
                                               m_settingsPath, folder) ||
        folder.empty())
        return;
    std::string dest;
    if (!m_model->record(row).OnDisk || !destinationFolder(folder, dest))
        return;
    const std::string target = dest + "/" + NameOfPath(m_model->record(row).FullName);
    if (transferRowFile(row, target, FileOperation::Move))
        followMovedFile(row, target);
}

void TForm1::Copy1Click()
{
    int row = selectedRow();
    if (row < 0)
        return;
    std::string folder;
    if (!Dialogs::instance().chooseDestination(this, GetString("str4", "Copy files"),
                                               m_settingsPath, folder) ||
        folder.empty())
        return;
    std::string dest;
    if (!m_model->record(row).OnDisk || !destinationFolder(folder, dest))
        return;
    transferRowFile(row, dest + "/" + NameOfPath(m_model->record(row).FullName),
                    FileOperation::Copy);
}

// The row names the file at its new place. A move across file systems made a new inode with
// the same content and times: the row keeps vouching for it.
void TForm1::followMovedFile(int row, const std::string &target)
{
    const TFileData &d = m_model->record(row);
    const platform::FileIdentity now = platform::IdentifyFile(target);
    if (now.regular() && now.Size == d.FileSize && now.MtimeNs == d.MtimeNs)
        m_model->setIdentity(row, now.Device, now.Inode);
    m_model->setFullName(row, target);
}

void TForm1::ListEdited(int row, const QString &text)
{
    if (row < 0 || row >= m_model->size() || !m_model->record(row).OnDisk)
        return; // the caption keeps its text
    // The caption showed the path as DisplayPath's text; the edit is read back the same way.
    std::string target = platform::PathFromEditedText(text, m_model->record(row).FullName);
    if (target.empty())
        return;
    // A bare name (or any relative path) is taken in the file's own folder, never in the
    // program's working folder.
    if (target.starts_with("~/"))
        target = expandHome(target);
    if (!target.starts_with('/'))
        target = std::string(m_model->record(row).DirName()) + "/" + target;
    if (transferRowFile(row, target, FileOperation::Move))
        followMovedFile(row, target);
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
