// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting: the selected row's file at once, the checked rows' files on a thread of their own.
// Nothing leaves the disk while its group would keep no copy unless the user agreed to it.
#include "list_commands.h"

#include "file_operations.h"
#include "folder_text.h"
#include "path_text.h"
#include "results_model.h"
#include "status_panels.h"

#include <QStringList>

#include <algorithm>

namespace twinly {

using platform::DisplayPath;
using platform::FileOperation;
using platform::FileOpResult;
using namespace platform; // the FOF_ flags

FileOpResult ListCommands::DeleteByMode(const std::string &path) const
{
    std::string keep;
    if (m_host.deleteMode() == 1 && !UsableFolder(m_host.keepingFolderText(), keep)) {
        FileOpResult refused;
        refused.error = "No usable keeping folder";
        return refused;
    }
    return DeleteByMode(path, m_host.deleteMode(), keep);
}

// Touches no widget: the deleting thread calls it with the mode and folder taken beforehand.
FileOpResult ListCommands::DeleteByMode(const std::string &path, int mode, const std::string &keep)
{
    switch (mode) {
    case 1: {
        // The whole source path continues below the keeping folder; an earlier kept file of
        // the same path is replaced.
        const std::string target = KeepingTarget(keep, path);
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

bool ListCommands::keepingFolder(std::string &folder)
{
    if (m_host.keepingFolderText().empty()) {
        m_host.error(GetString("strError", "Error"),
                     GetString("strNoKeep", "No folder is set to keep deleted files in."));
        return false;
    }
    return destinationFolder(m_host.keepingFolderText(), folder);
}

std::vector<std::uint32_t>
ListCommands::groupsLosingLastCopy(std::vector<int> leaving,
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

bool ListCommands::confirmLastCopies(std::size_t groups, const QString &caption)
{
    if (groups == 0)
        return true;
    return m_host.question(
        caption,
        GetString("strLastCopy",
                  "%d groups would lose their last copy on disk (a copy recorded only in a CRC "
                  "database does not count). Go on anyway ?")
            .replace(QStringLiteral("%d"), QString::number(groups)),
        false);
}

std::vector<int> ListCommands::rowsNamingFile(const std::string &path,
                                              const platform::FileIdentity &file, int except) const
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
void ListCommands::removeRowsThatLostTheirFile(const std::vector<std::uint64_t> &ids)
{
    for (const std::uint64_t id : ids) {
        const int row = m_model->rowOfId(id);
        if (row >= 0 && CheckSinceSearch(m_model->record(row)) != FileState::Unchanged)
            m_model->RemoveRow(row);
    }
}

// Whether `path` may be kept below the keeping folder: refused when the target is the file
// itself. `replaced` receives the rows naming the file the move would replace there.
bool ListCommands::keepingTargetUsable(const std::string &path, const std::string &keep,
                                       std::vector<int> &replaced)
{
    const std::string target = KeepingTarget(keep, path);
    const platform::FileIdentity victim = platform::IdentifyFile(target);
    if (victim.kind == platform::FileIdentity::Kind::Missing)
        return true;
    if (victim.sameFile(platform::IdentifyFile(path))) {
        m_host.error(GetString("strError", "Error"),
                     GetString("strKeepItself",
                               "The keeping folder leads back to the file itself; it "
                               "was not deleted:\n%s")
                         .replace(QStringLiteral("%s"), DisplayPath(path)));
        return false;
    }
    replaced = rowsNamingFile(target, victim, -1);
    if (anyReference(replaced)) {
        // Kept there, the file would replace an original.
        for (const int r : replaced)
            if (refuseReference(m_model->record(r)))
                break;
        return false;
    }
    return true;
}

void ListCommands::Delete1Click()
{
    const int row = selectedRow();
    if (row < 0 || m_deleter)
        return;
    if (refuseReference(m_model->record(row)))
        return;
    if (m_host.confirmDelete() &&
        !m_host.question(GetString("strDel", "Deleting file"),
                         GetString("str5", "Do you wnat to delete this file ?"), false))
        return;
    const TFileData &d = m_model->record(row);
    std::string keep;
    if (!d.OnDisk || (m_host.deleteMode() == 1 && !keepingFolder(keep)))
        return;
    switch (CheckSinceSearch(d)) {
    case FileState::Gone:
        m_host.error(GetString("strError", "Error"),
                     GetString("strGone", "The file no longer exists and has left the list:\n%s")
                         .replace(QStringLiteral("%s"), DisplayPath(d.FullName)));
        m_model->RemoveRow(row);
        return;
    case FileState::Changed:
        // A file changed since the search may no longer be a duplicate.
        m_host.error(GetString("strError", "Error"),
                     GetString("strChanged",
                               "The file has changed since the search and was not deleted:\n%s")
                         .replace(QStringLiteral("%s"), DisplayPath(d.FullName)));
        return;
    case FileState::Unchanged:
        break;
    }
    std::vector<int> replaced;
    if (m_host.deleteMode() == 1 && !keepingTargetUsable(d.FullName, keep, replaced))
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
    const FileOpResult r = DeleteByMode(path, m_host.deleteMode(), keep);
    if (!r.ok) {
        if (m_host.deleteMode() == 1)
            m_host.error(GetString("strError", "Error"), failureText(path, r));
        return;
    }
    removeRowsThatLostTheirFile(replacedIds);
    m_model->RemoveRow(m_model->rowOfId(id));
    removeFoldersLeftEmpty({path});
}

void ListCommands::DeleteAllClick()
{
    if (m_deleter)
        return;
    if (m_host.confirmDeleteAll() &&
        !m_host.question(GetString("strDel", "Deleting file"),
                         GetString("str6", "Do you wnat to delete selected files ?"), false))
        return;
    std::string keep;
    if (m_host.deleteMode() == 1 && !keepingFolder(keep))
        return;

    std::vector<int> leaving;
    FileKeySet leavingFiles;
    for (int i = 0; i < m_model->size(); ++i) {
        const TFileData &d = m_model->record(i);
        // Originals are never deleted, whatever their mark says.
        if (m_model->isChecked(i) && Markable(d)) {
            leaving.push_back(i);
            if (d.Inode != 0)
                leavingFiles.insert(KeyOf(d));
        }
    }
    const std::vector<int> checked = leaving;
    if (m_host.deleteMode() == 1)
        addKeptFilesReplaced(keep, leaving, leavingFiles);
    const std::vector<std::uint32_t> losing = groupsLosingLastCopy(leaving, {}, leavingFiles);
    // Whatever the confirmation settings say: a group left without a copy is asked about.
    if (!confirmLastCopies(losing.size(), GetString("strDel", "Deleting file")))
        return;
    startDeleteRun(checked, std::move(keep), std::move(leavingFiles), losing);
}

// Files the moves would replace in the keeping folder leave too, rows and all: their rows join
// `leaving` (behind the checked rows), their files `leavingFiles`.
void ListCommands::addKeptFilesReplaced(const std::string &keep, std::vector<int> &leaving,
                                        FileKeySet &leavingFiles) const
{
    FileKeySet victims;
    std::unordered_set<std::string> victimPaths;
    const std::size_t checkedRows = leaving.size();
    for (std::size_t k = 0; k < checkedRows; ++k) {
        const std::string target = KeepingTarget(keep, m_model->record(leaving[k]).FullName);
        const platform::FileIdentity victim = platform::IdentifyFile(target);
        if (victim.kind == platform::FileIdentity::Kind::Missing)
            continue;
        victimPaths.insert(target);
        if (victim.regular()) {
            victims.insert({victim.Device, victim.Inode});
            leavingFiles.insert({victim.Device, victim.Inode});
        }
    }
    if (victimPaths.empty())
        return;
    for (int i = 0; i < m_model->size(); ++i) {
        const TFileData &d = m_model->record(i);
        if (d.OnDisk && (victims.contains(KeyOf(d)) || victimPaths.contains(d.FullName)))
            leaving.push_back(i);
    }
}

// The thread gets the checked rows' paths and identities (no signatures); the rows stay here.
void ListCommands::startDeleteRun(const std::vector<int> &rows, std::string keep,
                                  FileKeySet leavingFiles,
                                  const std::vector<std::uint32_t> &consented)
{
    std::vector<DeleteJob> jobs;
    m_run = DeleteRun();
    m_run.mode = m_host.deleteMode();
    m_run.keep = keep;
    m_run.leavingFiles = std::move(leavingFiles);
    m_run.consented.insert(consented.begin(), consented.end());
    for (const int i : rows) {
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
    m_host.setBusy(true);
    m_status->setGauge(0);
    m_status->showGauge(true);
    m_status->setActivity(QStringLiteral("Deleting files"));
    m_status->setItem({});
    m_stop = false;
    m_deleter = std::make_unique<TDeleter>(
        std::move(jobs), m_model->size(),
        [mode = m_run.mode, keep = std::move(keep)](const std::string &path) {
            return DeleteByMode(path, mode, keep);
        },
        m_stop, static_cast<DeleterHost *>(this), this);
    m_deleter->Resume();
}

bool ListCommands::deleterMayDelete(const DeleteJob &job, FileState state)
{
    m_run.replaced.clear();
    const int row = m_model->rowOfId(job.rowId);
    if (row < 0)
        return false; // its file was replaced by another one kept, and its row left with it
    m_status->setItem(DisplayPath(job.record.FullName));
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

void ListCommands::deleterDeleted(const DeleteJob &job, const FileOpResult &r)
{
    if (r.ok) {
        removeRowsThatLostTheirFile(m_run.replaced);
        m_model->RemoveRow(m_model->rowOfId(job.rowId));
        m_run.removed.push_back(job.record.FullName);
    } else if (m_run.mode == 1) {
        // Moving to the keeping folder reports its errors; the two deletes are silent.
        m_host.error(GetString("strError", "Error"), failureText(job.record.FullName, r));
    }
    m_run.replaced.clear();
}

void ListCommands::deleterGauge(int percent)
{
    m_status->setGauge(percent);
}

void ListCommands::deleterFinished()
{
    if (m_deleter) {
        m_deleter->WaitFor();
        m_deleter.reset();
    }
    m_status->clearTexts();
    m_status->showGauge(false);
    m_host.setBusy(false);
    removeFoldersLeftEmpty(m_run.removed);
    if (m_host.deleteRunEnded())
        return; // the window is closing
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
        m_host.error(GetString("strError", "Error"), told.join(QLatin1Char('\n')));
}

} // namespace twinly
