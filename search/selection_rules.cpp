// SPDX-License-Identifier: GPL-3.0-or-later
#include "selection_rules.h"

#include "folder_identity.h"
#include "last_copy.h"
#include "masksearch.h"
#include "paths.h"

#include <map>
#include <unordered_map>

namespace twinly {

namespace {

// Whether a record's folder lies in the rule's folder, asked once per distinct folder.
class FolderTest {
public:
    explicit FolderTest(const std::string &folder)
    {
        const std::string text = WalkFolderText(folder);
        m_folder = text.empty() ? "/" : text;
    }
    bool inside(const TFileData &d)
    {
        const std::string dir(d.DirName());
        auto it = m_known.find(dir);
        if (it == m_known.end())
            it = m_known.emplace(dir, platform::FolderWithin(dir.empty() ? "/" : dir, m_folder))
                     .first;
        return it->second;
    }

private:
    std::string m_folder;
    std::unordered_map<std::string, bool> m_known;
};

// Whether `a` is a better keeper than `b` under an ordering rule.
bool better(const TFileData &a, const TFileData &b, KeepRule rule)
{
    const auto time = [](const TFileData &d) { return std::pair(d.MtimeNs, d.FileTime); };
    switch (rule) {
    case KeepRule::Newest:
        return time(a) > time(b);
    case KeepRule::Oldest:
        return time(a) < time(b);
    case KeepRule::ShortestPath:
        return a.FullName.size() < b.FullName.size();
    case KeepRule::LongestPath:
        return a.FullName.size() > b.FullName.size();
    case KeepRule::ShortestName:
        return a.FileName().size() < b.FileName().size();
    default:
        return false;
    }
}

std::optional<std::size_t> chooseKeeper(std::span<const TFileData *const> members,
                                        const SelectionRule &rule, FolderTest *folder)
{
    for (std::size_t i = 0; i < members.size(); ++i)
        if (members[i]->OnDisk && members[i]->Reference)
            return i;
    std::optional<std::size_t> keeper;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const TFileData &d = *members[i];
        if (!d.OnDisk)
            continue;
        switch (rule.rule) {
        case KeepRule::First:
            return i;
        case KeepRule::InsideFolder:
        case KeepRule::OutsideFolder:
            if (folder->inside(d) == (rule.rule == KeepRule::InsideFolder))
                return i;
            break;
        case KeepRule::NameMatches:
            if (MaskMatch(d.FileName(), rule.argument, /*wholeName=*/true))
                return i;
            break;
        default:
            if (!keeper || better(d, *members[*keeper], rule.rule))
                keeper = i;
        }
    }
    return keeper;
}

// Marks the markable members that are not the keeper's file nor any reference file.
void markAllBut(std::span<const TFileData *const> members, std::size_t keeper,
                std::span<std::uint8_t *const> marks)
{
    FileKeySet kept;
    kept.insert(KeyOf(*members[keeper]));
    for (const TFileData *d : members)
        if (d->OnDisk && d->Reference)
            kept.insert(KeyOf(*d));
    for (std::size_t i = 0; i < members.size(); ++i) {
        const TFileData &d = *members[i];
        const bool sameAsKept = d.Inode != 0 ? kept.contains(KeyOf(d)) : i == keeper;
        *marks[i] = Markable(d) && !sameAsKept ? 1 : 0;
    }
}

// Row indices by group number, each group in list order.
std::map<std::uint32_t, std::vector<std::size_t>> groupsOf(std::span<const std::uint32_t> rowGroup)
{
    std::map<std::uint32_t, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < rowGroup.size(); ++i)
        groups[rowGroup[i]].push_back(i);
    return groups;
}

} // namespace

std::optional<SelectionRule> ParseSelectionRule(std::string_view text)
{
    static constexpr std::pair<std::string_view, KeepRule> kPlain[] = {
        {"newest", KeepRule::Newest},
        {"oldest", KeepRule::Oldest},
        {"shortest-path", KeepRule::ShortestPath},
        {"longest-path", KeepRule::LongestPath},
        {"shortest-name", KeepRule::ShortestName},
        {"first", KeepRule::First}};
    for (const auto &[name, rule] : kPlain)
        if (text == name)
            return SelectionRule{rule, {}};
    static constexpr std::pair<std::string_view, KeepRule> kWithArgument[] = {
        {"in:", KeepRule::InsideFolder},
        {"not-in:", KeepRule::OutsideFolder},
        {"name:", KeepRule::NameMatches}};
    for (const auto &[prefix, rule] : kWithArgument)
        if (text.starts_with(prefix) && text.size() > prefix.size())
            return SelectionRule{rule, std::string(text.substr(prefix.size()))};
    return std::nullopt;
}

std::string SelectionRuleText(const SelectionRule &rule)
{
    switch (rule.rule) {
    case KeepRule::Newest:
        return "newest";
    case KeepRule::Oldest:
        return "oldest";
    case KeepRule::ShortestPath:
        return "shortest-path";
    case KeepRule::LongestPath:
        return "longest-path";
    case KeepRule::ShortestName:
        return "shortest-name";
    case KeepRule::First:
        return "first";
    case KeepRule::InsideFolder:
        return "in:" + rule.argument;
    case KeepRule::OutsideFolder:
        return "not-in:" + rule.argument;
    case KeepRule::NameMatches:
        return "name:" + rule.argument;
    }
    return "first";
}

bool Markable(const TFileData &d)
{
    return d.OnDisk && !d.Reference;
}

std::optional<std::size_t> ChooseKeeper(std::span<const TFileData *const> members,
                                        const SelectionRule &rule)
{
    FolderTest folder(rule.argument);
    return chooseKeeper(members, rule, &folder);
}

RowMarks SelectByRule(std::span<const TFileData> rows, std::span<const std::uint32_t> rowGroup,
                      const SelectionRule &rule)
{
    RowMarks marks(rows.size(), 0);
    FolderTest folder(rule.argument);
    for (const auto &[number, indices] : groupsOf(rowGroup.first(rows.size()))) {
        std::vector<const TFileData *> members;
        std::vector<std::uint8_t *> memberMarks;
        for (std::size_t i : indices) {
            members.push_back(&rows[i]);
            memberMarks.push_back(&marks[i]);
        }
        if (const auto keeper = chooseKeeper(members, rule, &folder))
            markAllBut(members, *keeper, memberMarks);
    }
    return marks;
}

RowMarks InvertWithinGroups(std::span<const TFileData> rows,
                            std::span<const std::uint32_t> rowGroup, const RowMarks &marks)
{
    RowMarks inverted(rows.size(), 0);
    for (const auto &[number, indices] : groupsOf(rowGroup.first(rows.size()))) {
        FileKeySet markedFiles;
        for (std::size_t i : indices) {
            const bool was = i < marks.size() && marks[i] != 0;
            inverted[i] = Markable(rows[i]) && !was ? 1 : 0;
            if (inverted[i])
                markedFiles.insert(KeyOf(rows[i]));
        }
        // Some file on disk must stay: one unmarked and no other name of a marked file.
        bool keepsACopy = false;
        for (std::size_t i : indices) {
            const TFileData &d = rows[i];
            if (d.OnDisk && !inverted[i] && (d.Inode == 0 || !markedFiles.contains(KeyOf(d))))
                keepsACopy = true;
        }
        if (keepsACopy)
            continue;
        for (std::size_t i : indices) {
            if (!rows[i].OnDisk)
                continue;
            const TFileData &keeper = rows[i];
            for (std::size_t j : indices)
                if (j == i || (keeper.Inode != 0 && SameFile(rows[j], keeper)))
                    inverted[j] = 0;
            break;
        }
    }
    return inverted;
}

} // namespace twinly
