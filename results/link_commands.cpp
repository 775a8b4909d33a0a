// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing duplicates by links to a copy kept in their group. The copy linked to is one that
// stays: a file of the group that is not checked and not being replaced, unchanged since the
// search, an original first. A hard or symbolic link is no copy of its own, so its row leaves
// the list: kept, it would stand for a second file where there is one (and a symbolic link is
// not even a regular file that a later command could vouch for). A reflink clone is a file of
// its own with the same content: its row stays and vouches for the clone from now on.
#include "list_commands.h"

#include "path_text.h"
#include "replace_by_link.h"
#include "results_model.h"
#include "status_panels.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace twinly {

using platform::DisplayPath;
using platform::LinkKind;
using platform::LinkRefusal;
using platform::LinkResult;

bool ListCommands::askLinkKind(LinkKind &kind)
{
    const QStringList kinds = {
        GetString("strLinkHard", "Hard link (another name of the kept file)"),
        GetString("strLinkSymbolic", "Symbolic link (to the kept file's path)"),
        GetString("strLinkReflink", "Reflink clone (a copy sharing the kept file's blocks)")};
    int index = 0;
    if (!m_host.chooseItem(GetString("strLinkCaption", "Replace by links"),
                           GetString("strLinkKind", "Replace the files by:"), kinds, index) ||
        index < 0 || index >= kinds.size())
        return false;
    kind = static_cast<LinkKind>(index);
    return true;
}

void ListCommands::Link1Click()
{
    const int row = selectedRow();
    if (row < 0 || m_deleter || !m_model->record(row).OnDisk)
        return;
    if (refuseReference(m_model->record(row)))
        return;
    LinkKind kind{};
    if (askLinkKind(kind))
        replaceRowsByLinks({row}, kind);
}

void ListCommands::LinkAllClick()
{
    if (m_deleter)
        return;
    std::vector<int> rows;
    for (int i = 0; i < m_model->size(); ++i)
        if (m_model->isChecked(i) && Markable(m_model->record(i)))
            rows.push_back(i);
    LinkKind kind{};
    if (!rows.empty() && askLinkKind(kind))
        replaceRowsByLinks(rows, kind);
}

// The copy `row` is linked to: an original of its group first, else the group's first file,
// neither checked nor leaving, that still is what the search found and is not the row's file
// itself. -1 when there is none.
int ListCommands::linkKeeper(int row, const std::unordered_set<std::uint64_t> &leaving) const
{
    const TFileData &file = m_model->record(row);
    const auto [first, last] = m_model->groupRange(row);
    int keeper = -1;
    for (int i = first; i < last; ++i) {
        const TFileData &d = m_model->record(i);
        if (i == row || !d.OnDisk || m_model->isChecked(i) || leaving.contains(m_model->rowId(i)) ||
            SameFile(d, file) || CheckSinceSearch(d) != FileState::Unchanged)
            continue;
        if (d.Reference)
            return i;
        if (keeper < 0)
            keeper = i;
    }
    return keeper;
}

QString ListCommands::linkRefusalText(const LinkResult &r) const
{
    switch (r.refusal) {
    case LinkRefusal::Changed:
        return GetString("strLinkChanged",
                         "the file or its kept copy has changed since the search");
    case LinkRefusal::SameFile:
        return GetString("strLinkSameFile", "it already is the kept copy's file");
    case LinkRefusal::DifferentContent:
        return GetString("strLinkContent", "its content is no longer that of the kept copy");
    case LinkRefusal::CrossDevice:
        return GetString("strLinkCrossDevice", "a hard link cannot join two file systems");
    case LinkRefusal::NotSupported:
        return GetString("strLinkNotSupported",
                         "the file system cannot make this kind of link (a reflink clone needs "
                         "one that shares blocks, such as btrfs or XFS)");
    case LinkRefusal::Protected:
        return GetString("strLinkProtected", "it is an original in a reference folder");
    case LinkRefusal::Failed:
    case LinkRefusal::None:
        break;
    }
    return QString::fromStdString(r.error);
}

void ListCommands::replaceRowsByLinks(const std::vector<int> &rows, LinkKind kind)
{
    std::unordered_set<std::uint64_t> leaving;
    std::vector<std::uint64_t> ids;
    for (const int r : rows) {
        leaving.insert(m_model->rowId(r));
        ids.push_back(m_model->rowId(r));
    }
    QStringList told;
    m_host.setBusy(true);
    m_status->setGauge(0);
    m_status->showGauge(true);
    m_status->setActivity(QStringLiteral("Replacing by links"));
    const std::size_t n = ids.size();
    for (std::size_t k = 0; k < n && !m_stop; ++k) {
        const int row = m_model->rowOfId(ids[k]);
        if (row < 0)
            continue;
        const std::string path = m_model->record(row).FullName;
        m_status->setItem(DisplayPath(path));
        m_status->setGauge(static_cast<int>(std::nearbyint(k * 100.0 / n)));
        if (const std::optional<QString> reason = linkRow(row, kind, leaving))
            told << DisplayPath(path) + QStringLiteral(": ") + *reason;
    }
    m_status->clearTexts();
    m_status->showGauge(false);
    m_host.setBusy(false);
    tellUnlinked(std::move(told));
}

// Replaces the row's file by a link to a copy that stays in its group; why it was not, or
// nothing when it was. A row replaced no longer counts among those `leaving`.
std::optional<QString> ListCommands::linkRow(int row, LinkKind kind,
                                             std::unordered_set<std::uint64_t> &leaving)
{
    const TFileData &d = m_model->record(row);
    const std::string path = d.FullName;
    if (d.Reference)
        return GetString("strLinkProtected", "it is an original in a reference folder");
    const int keeper = linkKeeper(row, leaving);
    if (keeper < 0)
        return GetString("strLinkNoKeeper",
                         "no unchecked, unchanged copy of it is left in its group");
    // The keeper stays, so the group keeps a copy; asked all the same, as every command
    // that takes a file away asks.
    std::vector<int> groupLeaving;
    const auto [first, last] = m_model->groupRange(row);
    for (int i = first; i < last; ++i)
        if (leaving.contains(m_model->rowId(i)))
            groupLeaving.push_back(i);
    if (!groupsLosingLastCopy(groupLeaving).empty())
        return GetString("strLinkLastCopy", "its group would keep no copy");
    const LinkResult r = ReplaceByLink(d, m_model->record(keeper), kind);
    if (!r.ok)
        return linkRefusalText(r);
    leaving.erase(m_model->rowId(row));
    if (kind == LinkKind::Reflink) {
        m_model->setIdentity(row, platform::IdentifyFile(path));
        m_model->setChecked(row, false);
    } else {
        m_model->RemoveRow(row);
    }
    return std::nullopt;
}

// One message for every file left as it was, the first few named.
void ListCommands::tellUnlinked(QStringList told)
{
    if (told.isEmpty())
        return;
    const qsizetype failures = told.size();
    constexpr qsizetype kShown = 20;
    if (failures > kShown) {
        told = told.mid(0, kShown);
        told << GetString("strLinkMore", "... and %d more")
                    .replace(QStringLiteral("%d"), QString::number(failures - kShown));
    }
    m_host.error(
        GetString("strError", "Error"),
        GetString("strLinkNotDone", "%d files were not replaced by links; each stays as it was:")
                .replace(QStringLiteral("%d"), QString::number(failures)) +
            QLatin1Char('\n') + told.join(QLatin1Char('\n')));
}

} // namespace twinly
