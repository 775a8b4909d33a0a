// SPDX-License-Identifier: GPL-3.0-or-later
#include "totals.h"

#include "last_copy.h"

#include <algorithm>
#include <unordered_map>

namespace twinly {

namespace {

// Row indices per group, groups in the order their first rows come.
std::vector<std::vector<std::size_t>> groupRows(std::span<const std::uint32_t> rowGroup,
                                                std::size_t count)
{
    std::vector<std::vector<std::size_t>> groups;
    std::unordered_map<std::uint32_t, std::size_t> at;
    for (std::size_t i = 0; i < count && i < rowGroup.size(); ++i) {
        const auto [it, fresh] = at.emplace(rowGroup[i], groups.size());
        if (fresh)
            groups.emplace_back();
        groups[it->second].push_back(i);
    }
    return groups;
}

std::uint64_t redundantBytes(std::span<const TFileData> rows, const std::vector<std::size_t> &group)
{
    FileKeySet seen;
    std::uint64_t sum = 0, largest = 0;
    for (std::size_t i : group) {
        const TFileData &d = rows[i];
        if (!d.OnDisk || (d.Inode != 0 && !seen.insert(KeyOf(d)).second))
            continue;
        const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(d.FileSize, 0));
        sum += size;
        largest = std::max(largest, size);
    }
    return sum - largest;
}

} // namespace

std::vector<GroupTotal> GroupTotalsOf(std::span<const TFileData> rows,
                                      std::span<const std::uint32_t> rowGroup)
{
    std::vector<GroupTotal> totals;
    for (const auto &group : groupRows(rowGroup, rows.size()))
        totals.push_back({rowGroup[group.front()], group.size(), redundantBytes(rows, group)});
    return totals;
}

ResultTotals TotalsOf(std::span<const TFileData> rows, std::span<const std::uint32_t> rowGroup)
{
    ResultTotals t;
    for (const GroupTotal &g : GroupTotalsOf(rows, rowGroup)) {
        ++t.groups;
        t.files += g.rows;
        t.redundantBytes += g.redundantBytes;
    }
    return t;
}

CheckedTotals CheckedTotalsOf(std::span<const TFileData> rows, std::span<const std::uint8_t> marks)
{
    CheckedTotals t;
    FileKeySet seen;
    for (std::size_t i = 0; i < rows.size() && i < marks.size(); ++i) {
        if (!marks[i])
            continue;
        ++t.files;
        const TFileData &d = rows[i];
        if (d.OnDisk && (d.Inode == 0 || seen.insert(KeyOf(d)).second))
            t.bytes += static_cast<std::uint64_t>(std::max<std::int64_t>(d.FileSize, 0));
    }
    return t;
}

std::vector<std::size_t> LargestGroupsFirst(std::span<const TFileData> rows,
                                            std::span<const std::uint32_t> rowGroup)
{
    auto groups = groupRows(rowGroup, rows.size());
    std::vector<std::pair<std::uint64_t, std::size_t>> keyed;
    for (std::size_t g = 0; g < groups.size(); ++g)
        keyed.emplace_back(redundantBytes(rows, groups[g]), g);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<std::size_t> order;
    order.reserve(rows.size());
    for (const auto &[bytes, g] : keyed)
        order.insert(order.end(), groups[g].begin(), groups[g].end());
    return order;
}

void ApplyRowOrder(FileList &rows, std::vector<std::uint32_t> &rowGroup, RowBand &bands,
                   std::span<const std::size_t> order)
{
    FileList newRows;
    std::vector<std::uint32_t> newGroups;
    newRows.reserve(order.size());
    newGroups.reserve(order.size());
    for (std::size_t i : order) {
        newRows.push_back(std::move(rows[i]));
        newGroups.push_back(rowGroup[i]);
    }
    rows = std::move(newRows);
    rowGroup = std::move(newGroups);
    bands.assign(rows.size(), 1);
    std::uint8_t band = 1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0 && rowGroup[i] != rowGroup[i - 1])
            band = static_cast<std::uint8_t>(1 - band);
        bands[i] = band;
    }
}

std::uint64_t GroupCount(const SearchResult &result)
{
    return TotalsOf(result.FileList, result.RowGroup).groups;
}

std::uint64_t RedundantBytes(const SearchResult &result)
{
    return TotalsOf(result.FileList, result.RowGroup).redundantBytes;
}

} // namespace twinly
