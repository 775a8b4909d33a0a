// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference_grouping.h"

namespace twinly::test {

void ReferenceGroupFiles(FileList &list, GroupList &groups, const MatchSwitches &sw)
{
    while (list.size() >= 2) {
        Group g;
        std::size_t i = 1;
        while (i < list.size()) {
            if (RecordsMatch(list[0], list[i], sw)) {
                g.push_back(std::move(list[i]));
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
        if (!g.empty()) {
            g.push_back(std::move(list[0]));
            groups.push_back(std::move(g));
        }
        list.erase(list.begin());
    }
    list.clear();
}

} // namespace twinly::test
