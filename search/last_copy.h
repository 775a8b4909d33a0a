// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a file still is what the search found, and whether taking files away would leave a
// group of duplicates without any copy. Every command that deletes a file, or replaces one by
// moving, copying or renaming another onto its name, asks both questions here, so that no
// command can lose the last copy of a file by a rule of its own.
#pragma once

#include "file_data.h"
#include "file_identity.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

namespace twinly {

enum class FileState : std::uint8_t {
    Unchanged, // same device, inode, size and nanosecond modification time as in the search
    Changed,   // something else is there now (rewritten, renamed over, no longer a file, ...)
    Gone,      // nothing has the name any more
};

// A record without an identity (not made by the walk) cannot be vouched for: Changed.
FileState CompareWithRecord(const TFileData &record, const platform::FileIdentity &now);

using IdentifyFn = std::function<platform::FileIdentity(const std::string &path)>;

// The record's path looked at on disk now.
FileState CheckSinceSearch(const TFileData &record,
                           const IdentifyFn &identify = platform::IdentifyFile);

// A file as the system knows it: its device and inode.
struct FileKey {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileKey &, const FileKey &) = default;
};
struct FileKeyHash {
    std::size_t operator()(const FileKey &k) const noexcept
    {
        return std::hash<std::uint64_t>()(k.device * 0x9E3779B97F4A7C15ull ^ k.inode);
    }
};
using FileKeySet = std::unordered_set<FileKey, FileKeyHash>;

inline FileKey KeyOf(const TFileData &d)
{
    return {d.Device, d.Inode};
}

struct LastCopyRow {
    std::uint32_t group = 0; // the search's group number of the row
    const TFileData *record = nullptr;
    bool leaving = false; // its file is to be deleted, or replaced by another
};

// The group numbers (ascending) of the groups that would keep no copy of their file once every
// leaving row's file is gone. Give every row of each group that has a leaving row; `alsoLeaving`
// names files leaving through rows not given.
//
// A group loses its last copy when one of its leaving rows still names the file the search found
// (a changed or vanished file is refused by every delete, so it takes nothing away) and none of
// its other rows is a kept copy: a file on disk, unchanged since the search, that is no file
// leaving (a second name of a leaving file goes with it). A database entry is never a kept copy:
// whether a recorded file on other media is enough is the user's to say.
std::vector<std::uint32_t>
GroupsLosingLastCopy(std::span<const LastCopyRow> rows, const FileKeySet &alsoLeaving = {},
                     const IdentifyFn &identify = platform::IdentifyFile);

} // namespace twinly
