// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a duplicate by a link to the copy that is kept. The path names the old file or the
// complete link at every moment: the link is made under a temporary name in the same folder and
// renamed over the file, and any failure before the rename removes the temporary and leaves the
// file as it was. Before anything is made, both files must still be what the search saw
// (device, inode, size, nanosecond modification time), be two different files, and have the
// same content, read again now and compared by XXH3-128.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace twinly::platform {

enum class LinkKind : std::uint8_t {
    Hard,     // the path becomes another name of the kept file (same file system only)
    Symbolic, // a symbolic link whose target is the kept file's absolute path
    Reflink,  // a copy sharing the kept file's blocks (FICLONE; btrfs, XFS and the like)
};

// A file as the search saw it.
struct SeenFile {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
};

enum class LinkRefusal : std::uint8_t {
    None,
    Changed,          // a file is gone, or no longer what the search saw
    SameFile,         // both paths name one file already
    DifferentContent, // the files' contents differ now
    CrossDevice,      // a hard link between two file systems
    NotSupported,     // the file system cannot clone (reflink) or link
    Protected,        // the file is an original (in a reference folder) or no file on disk
    Failed,           // reading, making the link, or renaming failed: see `error`
};

struct LinkResult {
    bool ok = false;
    LinkRefusal refusal = LinkRefusal::None;
    std::string error; // the system's reason, when there is one
};

// Replaces `file` by a link of `kind` to `keeper`. What the replaced path keeps: with a symbolic
// link its owner; with a reflink its owner, mode and times (set on the clone before the
// rename). A hard link is the kept file itself, so it has the kept file's owner and mode.
LinkResult ReplaceByLink(const SeenFile &file, const SeenFile &keeper, LinkKind kind);

// Called once the temporary link exists, before the file is checked a last time and replaced
// (tests change the file there); an empty function removes it.
void SetLinkMadeHook(std::function<void(const std::string &temporary)> hook);

} // namespace twinly::platform
