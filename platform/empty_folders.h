// SPDX-License-Identifier: GPL-3.0-or-later
// Tidying up after files were deleted or moved away: the folders that this left empty go too.
// Only those: a folder is considered only when it held one of the files that are now gone, or
// held a folder removed here; it goes only when it is empty now (rmdir, never a recursive
// delete), so a folder that was empty before, or that holds anything, stays. The folders of the
// search list themselves (by device and inode) and everything above them always stay.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace twinly::platform {

// `removedFiles`: full paths of files the operation took away (a path that still names
// something is passed over). Returns the folders removed, in the order they went.
std::vector<std::string> RemoveFoldersLeftEmpty(std::span<const std::string> removedFiles,
                                                std::span<const std::string> searchFolders);

} // namespace twinly::platform
