// SPDX-License-Identifier: GPL-3.0-or-later
// What a cleanup would free, and the order "largest groups first". A group's redundant bytes
// are what its copies beyond one take: for equal sizes, size x (copies - 1). Copies are the
// distinct files on disk (two names of one file take its space once; a database entry takes
// none here). Groups are the rows sharing a number, one number per row.
#pragma once

#include "file_data.h"
#include "grouping.h"
#include "scanner.h"

#include <cstdint>
#include <span>
#include <vector>

namespace twinly {

struct GroupTotal {
    std::uint32_t group = 0;          // the rows' group number
    std::size_t rows = 0;             // rows of the group
    std::uint64_t redundantBytes = 0; // what removing every copy but the largest frees
};

struct ResultTotals {
    std::size_t groups = 0;
    std::size_t files = 0; // rows in the groups
    std::uint64_t redundantBytes = 0;
};

struct CheckedTotals {
    std::size_t files = 0;   // marked rows
    std::uint64_t bytes = 0; // each marked file on disk counted once
};

// The groups in the order their first rows come.
std::vector<GroupTotal> GroupTotalsOf(std::span<const TFileData> rows,
                                      std::span<const std::uint32_t> rowGroup);
ResultTotals TotalsOf(std::span<const TFileData> rows, std::span<const std::uint32_t> rowGroup);
CheckedTotals CheckedTotalsOf(std::span<const TFileData> rows, std::span<const std::uint8_t> marks);

// Row indices, group after group, the groups freeing most first; groups freeing the same keep
// their order, and rows keep theirs within a group.
std::vector<std::size_t> LargestGroupsFirst(std::span<const TFileData> rows,
                                            std::span<const std::uint32_t> rowGroup);

// Puts rows, their group numbers and their bands in the order given (a permutation of the row
// indices) and bands the groups again (1, 0, 1, ... per run of one group number).
void ApplyRowOrder(FileList &rows, std::vector<std::uint32_t> &rowGroup, RowBand &bands,
                   std::span<const std::size_t> order);

// What a finished search's end is told by. In a plain listing every row is a group of one.
std::uint64_t GroupCount(const SearchResult &result);
// The bytes the redundant copies of every group take (TotalsOf). A copy known only from a CRC
// database frees nothing and keeps nothing: deleting the only file on disk of its group would
// leave no copy here.
std::uint64_t RedundantBytes(const SearchResult &result);

} // namespace twinly
