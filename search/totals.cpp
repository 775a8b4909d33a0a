// SPDX-License-Identifier: GPL-3.0-or-later
#include "totals.h"

#include <algorithm>

namespace twinly {

std::uint64_t GroupCount(const SearchResult &result)
{
    std::uint64_t groups = 0;
    for (std::size_t i = 0; i < result.RowGroup.size(); ++i)
        if (i == 0 || result.RowGroup[i] != result.RowGroup[i - 1])
            ++groups;
    return groups;
}

std::uint64_t RedundantBytes(const SearchResult &result)
{
    const FileList &rows = result.FileList;
    const std::size_t n = std::min(rows.size(), result.RowGroup.size());
    std::uint64_t redundant = 0;
    for (std::size_t b = 0; b < n;) {
        std::size_t e = b + 1;
        while (e < n && result.RowGroup[e] == result.RowGroup[b])
            ++e;
        std::uint64_t sum = 0, largest = 0;
        for (std::size_t i = b; i < e; ++i) {
            if (!rows[i].OnDisk)
                continue;
            const auto size =
                static_cast<std::uint64_t>(std::max<std::int64_t>(0, rows[i].FileSize));
            sum += size;
            largest = std::max(largest, size);
        }
        redundant += sum - largest;
        b = e;
    }
    return redundant;
}

} // namespace twinly
