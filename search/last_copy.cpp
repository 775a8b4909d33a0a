// SPDX-License-Identifier: GPL-3.0-or-later
#include "last_copy.h"

#include <algorithm>
#include <map>

namespace twinly {

FileState CompareWithRecord(const TFileData &record, const platform::FileIdentity &now)
{
    using Kind = platform::FileIdentity::Kind;
    if (now.kind == Kind::Missing)
        return FileState::Gone;
    if (now.kind != Kind::Regular || record.Inode == 0)
        return FileState::Changed;
    const bool same = now.Device == record.Device && now.Inode == record.Inode &&
                      now.Size == record.FileSize && now.MtimeNs == record.MtimeNs;
    return same ? FileState::Unchanged : FileState::Changed;
}

FileState CheckSinceSearch(const TFileData &record, const IdentifyFn &identify)
{
    if (!record.OnDisk)
        return FileState::Changed; // a database entry names no file to find
    return CompareWithRecord(record, identify(record.FullName));
}

std::vector<std::uint32_t> GroupsLosingLastCopy(std::span<const LastCopyRow> rows,
                                                const FileKeySet &alsoLeaving,
                                                const IdentifyFn &identify)
{
    FileKeySet leavingFiles = alsoLeaving;
    std::map<std::uint32_t, std::vector<const LastCopyRow *>> groups;
    for (const LastCopyRow &row : rows) {
        if (!row.record)
            continue;
        if (row.leaving && row.record->OnDisk && row.record->Inode != 0)
            leavingFiles.insert(KeyOf(*row.record));
        groups[row.group].push_back(&row);
    }

    std::vector<std::uint32_t> losing;
    for (const auto &[group, members] : groups) {
        if (std::none_of(members.begin(), members.end(),
                         [](const LastCopyRow *r) { return r->leaving && r->record->OnDisk; }))
            continue;
        // Cheapest first: one kept copy settles the group, usually with one look at the disk.
        const bool kept = std::any_of(members.begin(), members.end(), [&](const LastCopyRow *r) {
            const TFileData &d = *r->record;
            return !r->leaving && d.OnDisk && d.Inode != 0 && !leavingFiles.contains(KeyOf(d)) &&
                   CheckSinceSearch(d, identify) == FileState::Unchanged;
        });
        if (kept)
            continue;
        const bool takesSomething =
            std::any_of(members.begin(), members.end(), [&](const LastCopyRow *r) {
                return r->leaving && r->record->OnDisk &&
                       CheckSinceSearch(*r->record, identify) == FileState::Unchanged;
            });
        if (takesSomething)
            losing.push_back(group);
    }
    return losing;
}

} // namespace twinly
