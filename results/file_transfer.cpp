// SPDX-License-Identifier: GPL-3.0-or-later
// Moving, copying and renaming a row's file: the row follows the file, and a file replaced at
// the target goes through the last-copy rule first.
#include "list_commands.h"

#include "file_operations.h"
#include "folder_text.h"
#include "path_text.h"
#include "paths.h"
#include "results_model.h"

namespace twinly {

using platform::DisplayPath;
using platform::FileOperation;
using platform::FileOpResult;
using namespace platform; // the FOF_ flags

QString ListCommands::failureText(const std::string &source, const FileOpResult &r) const
{
    if (r.sourceChanged)
        return GetString("strMoveChanged",
                         "'%s' was changed while it was being moved: it stays where it was, and "
                         "its copy was removed.")
            .replace(QStringLiteral("%s"), DisplayPath(source));
    return DisplayPath(r.error);
}

bool ListCommands::ShellFileOperation(const std::string &source, const std::string &target,
                                      FileOperation operation, unsigned flags,
                                      const std::function<bool(const std::string &)> &mayReplace)
{
    FileOpResult r = RunFileOperation(source, target, operation, flags | FOF_NOCONFIRMATION, false);
    // An existing, different file is never replaced without asking: it may have no copy.
    if (!r.ok && r.targetExists) {
        const QString text = GetString("strReplace", "'%s' already exists. Replace it ?")
                                 .replace(QStringLiteral("%s"), DisplayPath(target));
        if (!m_host.question(GetString("strConfirm", "Confirm"), text, false))
            return false;
        if (mayReplace && !mayReplace(target))
            return false;
        r = RunFileOperation(source, target, operation, flags | FOF_NOCONFIRMATION, true);
    }
    if (!r.ok && !(flags & FOF_NOERRORUI))
        m_host.error(GetString("strError", "Error"), failureText(source, r));
    return r.ok;
}

bool ListCommands::destinationFolder(const std::string &typed, std::string &folder)
{
    if (UsableFolder(typed, folder))
        return true;
    m_host.error(GetString("strError", "Error"),
                 GetString("strBadFolder",
                           "'%s' cannot take the files: give the full path of a folder "
                           "(beginning with / or ~/) other than the root folder.")
                     .replace(QStringLiteral("%s"), DisplayPath(typed)));
    return false;
}

// Moves or copies the row's file. A file replaced at the target goes through the last-copy
// rule first, and the rows that named it leave. False when nothing was done; `row` follows the
// row while rows before it leave.
bool ListCommands::transferRowFile(int &row, const std::string &target, FileOperation operation)
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
            for (const int r : leaving)
                if (refuseReference(m_model->record(r)))
                    return false;
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

void ListCommands::Move1Click()
{
    int row = selectedRow();
    if (row < 0 || refuseReference(m_model->record(row)))
        return;
    std::string folder;
    if (!m_host.chooseDestination(GetString("str8", "Move files"), folder) || folder.empty())
        return;
    std::string dest;
    if (!m_model->record(row).OnDisk || !destinationFolder(folder, dest))
        return;
    const std::string source = m_model->record(row).FullName;
    const std::string target = dest + "/" + NameOfPath(source);
    if (transferRowFile(row, target, FileOperation::Move)) {
        followMovedFile(row, target);
        removeFoldersLeftEmpty({source});
    }
}

void ListCommands::Copy1Click()
{
    int row = selectedRow();
    if (row < 0)
        return;
    std::string folder;
    if (!m_host.chooseDestination(GetString("str4", "Copy files"), folder) || folder.empty())
        return;
    std::string dest;
    if (!m_model->record(row).OnDisk || !destinationFolder(folder, dest))
        return;
    transferRowFile(row, dest + "/" + NameOfPath(m_model->record(row).FullName),
                    FileOperation::Copy);
}

// The row names the file at its new place. A move across file systems made a new inode with
// the same content and times: the row keeps vouching for it.
void ListCommands::followMovedFile(int row, const std::string &target)
{
    const TFileData &d = m_model->record(row);
    const platform::FileIdentity now = platform::IdentifyFile(target);
    if (now.regular() && now.Size == d.FileSize && now.MtimeNs == d.MtimeNs)
        m_model->setIdentity(row, now.Device, now.Inode);
    m_model->setFullName(row, target);
}

void ListCommands::ListEdited(int row, const QString &text)
{
    if (row < 0 || row >= m_model->size() || !m_model->record(row).OnDisk)
        return; // the caption keeps its text
    if (refuseReference(m_model->record(row)))
        return;
    // The caption showed the path as DisplayPath's text; the edit is read back the same way.
    std::string target = platform::PathFromEditedText(text, m_model->record(row).FullName);
    if (target.empty())
        return;
    // A bare name (or any relative path) is taken in the file's own folder, never in the
    // program's working folder.
    if (target.starts_with("~/"))
        target = ExpandHome(target);
    if (!target.starts_with('/'))
        target = std::string(m_model->record(row).DirName()) + "/" + target;
    const std::string source = m_model->record(row).FullName;
    if (transferRowFile(row, target, FileOperation::Move)) {
        followMovedFile(row, target);
        removeFoldersLeftEmpty({source});
    }
}

} // namespace twinly
