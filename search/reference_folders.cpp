// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference_folders.h"

#include "folder_identity.h"
#include "paths.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace twinly {

std::vector<std::string> ReferenceFoldersToWalk(const std::vector<std::string> &folders,
                                                const std::vector<std::string> &referenceFolders)
{
    std::vector<std::string> walk;
    for (const std::string &ref : referenceFolders) {
        const std::string text = WalkFolderText(ref);
        const auto within = [&](const std::string &f) {
            return platform::FolderWithin(text.empty() ? "/" : text,
                                          WalkFolderText(f).empty() ? "/" : WalkFolderText(f));
        };
        if (std::none_of(folders.begin(), folders.end(), within) &&
            std::none_of(walk.begin(), walk.end(), within))
            walk.push_back(ref);
    }
    return walk;
}

void MarkReferenceRecords(FileList &list, const std::vector<std::string> &referenceFolders)
{
    std::vector<std::string> refs;
    for (const std::string &r : referenceFolders) {
        const std::string text = WalkFolderText(r);
        refs.push_back(text.empty() ? "/" : text);
    }
    std::unordered_map<std::string_view, bool> byFolder; // views into records of `list`
    for (TFileData &d : list) {
        if (!d.OnDisk || refs.empty()) {
            d.Reference = false;
            continue;
        }
        const std::string_view dir = d.DirName();
        auto it = byFolder.find(dir);
        if (it == byFolder.end()) {
            const std::string folder = dir.empty() ? std::string("/") : std::string(dir);
            const bool inside = std::any_of(refs.begin(), refs.end(), [&](const std::string &r) {
                return platform::FolderWithin(folder, r);
            });
            it = byFolder.emplace(dir, inside).first;
        }
        d.Reference = it->second;
    }
}

bool GroupHasNonReferenceFile(std::span<const TFileData> group)
{
    return std::any_of(group.begin(), group.end(),
                       [](const TFileData &d) { return d.OnDisk && !d.Reference; });
}

void DropReferenceOnlyGroups(FileList &rows, RowBand &bands, std::vector<std::uint32_t> &rowGroup)
{
    FileList kept;
    std::vector<std::uint32_t> keptGroups;
    RowBand keptBands;
    std::uint8_t band = 1;
    std::uint32_t number = 0;
    for (std::size_t from = 0; from < rows.size();) {
        std::size_t to = from + 1;
        while (to < rows.size() && rowGroup[to] == rowGroup[from])
            ++to;
        const std::span<const TFileData> group(rows.data() + from, to - from);
        if (GroupHasNonReferenceFile(group)) {
            for (std::size_t i = from; i < to; ++i) {
                kept.push_back(std::move(rows[i]));
                keptGroups.push_back(number);
                keptBands.push_back(band);
            }
            ++number;
            band = static_cast<std::uint8_t>(1 - band);
        }
        from = to;
    }
    rows = std::move(kept);
    bands = std::move(keptBands);
    rowGroup = std::move(keptGroups);
}

} // namespace twinly
