// SPDX-License-Identifier: GPL-3.0-or-later
// Folders as the file system knows them. Two texts can name one folder ("/x/Music/./album" and
// "/x/Music/album", a folder and a link to it), and a folder can lie inside another whose text
// is no prefix of its own: searching both would find every file below twice, and each would
// look like a duplicate of itself. So overlap is decided by device and inode, never by text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace twinly::platform {

// `text` made absolute (a relative text continues the working folder) and lexically clean: no
// "." or ".." components (".." drops the component before it, and stays at the root), no doubled
// separators and no trailing one ("/" stays "/"). An empty text stays empty. No link is resolved.
std::string CleanFolderPath(std::string_view text);

// True when the folder `inner` is the folder `outer` or lies anywhere below it, each taken as
// the folder it resolves to (through links). Decided by the device and inode of `outer` against
// those of `inner` and of every real folder above it, up to the root. When either folder
// cannot be reached (missing, no permission), their clean texts decide: `inner` equals `outer`
// or continues it after a separator.
bool FolderWithin(const std::string &inner, const std::string &outer);

// Device and inode of what `path` names, through links (the folder or file a user means by a
// path). False when it cannot be reached.
bool IdentifyThroughLinks(const std::string &path, std::uint64_t &device, std::uint64_t &inode);

// True when `path` names a folder, through links.
bool IsFolder(const std::string &path);

} // namespace twinly::platform
