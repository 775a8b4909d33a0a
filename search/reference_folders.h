// SPDX-License-Identifier: GPL-3.0-or-later
// Reference folders hold the originals: their files are searched and shown like any other, but
// a group is worth showing only when it has a file outside them, and nothing in them is ever
// chosen to go. Whether a file lies in one is decided by the real folders (device and inode),
// not by the text of its path.
#pragma once

#include "file_data.h"
#include "grouping.h"

#include <cstdint>
#include <string>
#include <vector>

namespace twinly {

// The reference folders a walk still has to visit after `folders`: those not lying in one of
// `folders` (whose walk reaches them already), each once, in order.
std::vector<std::string> ReferenceFoldersToWalk(const std::vector<std::string> &folders,
                                                const std::vector<std::string> &referenceFolders);

// Sets Reference on every file on disk lying in one of `referenceFolders` and clears it on the
// rest. Each distinct folder of the list is looked at once.
void MarkReferenceRecords(FileList &list, const std::vector<std::string> &referenceFolders);

// True when the group has a file on disk outside reference folders.
bool GroupHasNonReferenceFile(std::span<const TFileData> group);

// Removes the rows of every group without a file on disk outside reference folders. Groups
// are the runs of rows sharing a number in `rowGroup`; what remains is numbered again from 0 in
// list order and banded again (1, 0, 1, ... per group).
void DropReferenceOnlyGroups(FileList &rows, RowBand &bands, std::vector<std::uint32_t> &rowGroup);

} // namespace twinly
