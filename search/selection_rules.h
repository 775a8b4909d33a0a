// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing, in every group, the one copy to keep and marking the others. A rule never marks
// every copy of a group: the keeper, and every other name of the keeper's file, stay unmarked.
// Only files on disk outside reference folders are ever marked; when a group has files in
// reference folders, those are its keepers whatever the rule says. Ties go to the first row in
// list order. Nothing here touches a file: the marks are what a command would then act on.
#pragma once

#include "file_data.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace twinly {

enum class KeepRule : std::uint8_t {
    Newest,        // latest modification time
    Oldest,        // earliest modification time
    ShortestPath,  // fewest bytes in the full path
    LongestPath,   // most bytes in the full path
    ShortestName,  // fewest bytes in the name
    First,         // first in list order
    InsideFolder,  // first lying in the folder `argument` (by real folder)
    OutsideFolder, // first not lying in the folder `argument` (by real folder)
    NameMatches,   // first whose name matches the mask text `argument`
};

struct SelectionRule {
    KeepRule rule = KeepRule::First;
    std::string argument; // the folder or the mask text of the rules that take one

    bool operator==(const SelectionRule &) const = default;
};

// "newest", "oldest", "shortest-path", "longest-path", "shortest-name", "first", "in:DIR",
// "not-in:DIR", "name:MASK"; nothing for any other text.
std::optional<SelectionRule> ParseSelectionRule(std::string_view text);
// The text ParseSelectionRule reads back as `rule`.
std::string SelectionRuleText(const SelectionRule &rule);

// One byte per row: 1 marked, 0 not.
using RowMarks = std::vector<std::uint8_t>;

// True for rows that may be marked at all: files on disk outside reference folders.
bool Markable(const TFileData &d);

// The member to keep in one group (an index into `members`), or nothing when no member meets
// the rule (no copy in the folder, none matching the mask, no file on disk): such a group gets
// no mark at all.
std::optional<std::size_t> ChooseKeeper(std::span<const TFileData *const> members,
                                        const SelectionRule &rule);

// Marks for every row. Groups are the rows sharing a number in `rowGroup` (one per row), in any
// arrangement; `rows` and `rowGroup` have the same length.
RowMarks SelectByRule(std::span<const TFileData> rows, std::span<const std::uint32_t> rowGroup,
                      const SelectionRule &rule);

// Every markable row's mark turned over, group by group. Where that would mark every copy of a
// group, the first file on disk in list order (with every other name of that file) stays
// unmarked. Rows that cannot be marked end unmarked.
RowMarks InvertWithinGroups(std::span<const TFileData> rows,
                            std::span<const std::uint32_t> rowGroup, const RowMarks &marks);

} // namespace twinly
