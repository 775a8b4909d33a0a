// SPDX-License-Identifier: GPL-3.0-or-later
#include "last_copy.h"
#include "scanner.h"
#include "selection_rules.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <map>

using namespace twinly;

namespace {

SearchResult search(const test::TempTree &t, const std::vector<std::string> &refs = {})
{
    SearchOptions o;
    o.Folders = {t.root()};
    o.ReferenceFolders = refs;
    o.ReadThreads = 1;
    ScanProgress p;
    return RunSearch(o, {}, p, {});
}

// The paths (below the tree) of the rows a rule leaves unmarked, per group.
std::vector<std::string> kept(const test::TempTree &t, const SearchResult &r, const RowMarks &m)
{
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < r.FileList.size(); ++i)
        if (!m[i])
            paths.push_back(r.FileList[i].FullName.substr(t.root().size() + 1));
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> keptBy(const test::TempTree &t, const SearchResult &r,
                                std::string_view rule)
{
    const auto parsed = ParseSelectionRule(rule);
    EXPECT_TRUE(parsed) << rule;
    return kept(t, r, SelectByRule(r.FileList, r.RowGroup, parsed.value_or(SelectionRule{})));
}

// Three copies whose times, path lengths and name lengths disagree on the keeper.
void threeCopies(test::TempTree &t)
{
    t.createFile("bb/long-name.txt", "same", 1'600'000'000); // oldest, shortest path
    t.createFile("a/deeper/n.txt", "same", 1'700'000'000);   // newest, shortest name
    t.createFile("ccc/mid-name.txt", "same", 1'650'000'000); // longest path
}

} // namespace

TEST(SelectionRules, EachRuleKeepsItsCopyAndMarksTheOthers)
{
    test::TempTree t;
    threeCopies(t);
    const SearchResult r = search(t);
    ASSERT_EQ(r.FileList.size(), 3u);
    using V = std::vector<std::string>;
    EXPECT_EQ(keptBy(t, r, "newest"), V{"a/deeper/n.txt"});
    EXPECT_EQ(keptBy(t, r, "oldest"), V{"bb/long-name.txt"});
    EXPECT_EQ(keptBy(t, r, "shortest-path"), V{"a/deeper/n.txt"}); // 16 bytes against 18, 20
    EXPECT_EQ(keptBy(t, r, "longest-path"), V{"ccc/mid-name.txt"});
    EXPECT_EQ(keptBy(t, r, "shortest-name"), V{"a/deeper/n.txt"});
    EXPECT_EQ(keptBy(t, r, "first"), V{r.FileList[0].FullName.substr(t.root().size() + 1)});
    EXPECT_EQ(keptBy(t, r, "name:mid*"), V{"ccc/mid-name.txt"});
    EXPECT_EQ(keptBy(t, r, "in:" + t.path("bb")), V{"bb/long-name.txt"});
    // A group where no copy meets the rule gets no mark at all.
    EXPECT_EQ(keptBy(t, r, "name:*.jpg").size(), 3u);
    EXPECT_EQ(keptBy(t, r, "in:" + t.path("nowhere")).size(), 3u);
}

TEST(SelectionRules, TiesKeepTheFirstInListOrder)
{
    test::TempTree t;
    t.createFile("x/same1", "z", 1'600'000'000);
    t.createFile("y/same2", "z", 1'600'000'000);
    t.createFile("w/same3", "z", 1'600'000'000);
    const SearchResult r = search(t);
    ASSERT_EQ(r.FileList.size(), 3u);
    const std::string first = r.FileList[0].FullName.substr(t.root().size() + 1);
    for (const char *rule : {"newest", "oldest", "shortest-path", "longest-path", "shortest-name"})
        EXPECT_EQ(keptBy(t, r, rule), std::vector<std::string>{first}) << rule;
}

TEST(SelectionRules, FoldersAreTakenByRealFolderNotText)
{
    test::TempTree t;
    t.createFile("keep/f", "q");
    t.createFile("keeping/f", "q"); // its text starts like the folder's
    t.symlink(t.path("keep"), "alias");
    const SearchResult r = search(t);
    ASSERT_EQ(r.FileList.size(), 2u);
    using V = std::vector<std::string>;
    EXPECT_EQ(keptBy(t, r, "in:" + t.path("alias")), V{"keep/f"});
    EXPECT_EQ(keptBy(t, r, "not-in:" + t.path("alias/")), V{"keeping/f"});
}

TEST(SelectionRules, ReferenceFilesAreKeptAndNeverMarked)
{
    test::TempTree t;
    t.createFile("orig/one", "data", 1'600'000'000);
    t.createFile("orig/two", "data", 1'600'000'000);
    t.createFile("work/three", "data", 1'700'000'000);
    t.createFile("work/four", "data", 1'700'000'000);
    const SearchResult r = search(t, {t.path("orig")});
    ASSERT_EQ(r.FileList.size(), 4u);
    for (const char *rule : {"newest", "oldest", "longest-path", "first", "name:four"}) {
        EXPECT_EQ(keptBy(t, r, rule), (std::vector<std::string>{"orig/one", "orig/two"})) << rule;
    }
    // A rule pointing at a folder without originals still keeps the originals.
    EXPECT_EQ(keptBy(t, r, "in:" + t.path("work")),
              (std::vector<std::string>{"orig/one", "orig/two"}));
}

TEST(SelectionRules, OtherNamesOfTheKeptFileAreNeverMarked)
{
    test::TempTree t;
    t.createFile("a/file", "linked", 1'500'000'000);
    ASSERT_EQ(::link(t.path("a/file").c_str(), t.path("b-second-name").c_str()), 0);
    t.createFile("c/copy", "linked", 1'400'000'000);
    const SearchResult r = search(t);
    ASSERT_EQ(r.FileList.size(), 3u);
    // The linked file is newest: both of its names stay, the older copy goes.
    EXPECT_EQ(keptBy(t, r, "newest"), (std::vector<std::string>{"a/file", "b-second-name"}));
}

TEST(SelectionRules, InvertNeverMarksEveryCopy)
{
    test::TempTree t;
    t.createFile("g1/a", "first group");
    t.createFile("g1/b", "first group");
    t.createFile("g1/c", "first group");
    t.createFile("ref/d", "second group");
    t.createFile("g2/e", "second group");
    const SearchResult r = search(t, {t.path("ref")});
    ASSERT_EQ(r.FileList.size(), 5u);
    const std::size_t n = r.FileList.size();

    // Nothing marked: inverting would mark all of the first group, so its first row stays.
    const RowMarks none(n, 0);
    const RowMarks all = InvertWithinGroups(r.FileList, r.RowGroup, none);
    for (std::size_t i = 0; i < n; ++i) {
        const TFileData &d = r.FileList[i];
        const bool firstOfGroup = i == 0 || r.RowGroup[i - 1] != r.RowGroup[i];
        if (d.Reference)
            EXPECT_EQ(all[i], 0) << d.FullName; // never marked
        else if (d.FullName.starts_with(t.path("g1")))
            EXPECT_EQ(all[i], firstOfGroup ? 0 : 1) << d.FullName;
        else
            EXPECT_EQ(all[i], 1) << d.FullName; // the reference copy stays
    }
    // Inverting twice gives back a selection that keeps a copy in each group.
    const RowMarks back = InvertWithinGroups(r.FileList, r.RowGroup, all);
    for (std::size_t i = 0; i < n; ++i)
        EXPECT_EQ(back[i], (all[i] || r.FileList[i].Reference) ? 0 : 1);
}

TEST(SelectionRules, NoRuleEverMarksEveryCopyOfAGroup)
{
    test::TempTree t;
    threeCopies(t);
    t.createFile("p/q/r/x", "pair");
    t.createFile("x", "pair");
    ASSERT_EQ(::link(t.path("x").c_str(), t.path("p/x2").c_str()), 0);
    const SearchResult r = search(t);
    for (const char *rule : {"newest", "oldest", "shortest-path", "longest-path", "shortest-name",
                             "first", "name:x*", "name:*", "not-in:/", "in:/"}) {
        const RowMarks m = SelectByRule(r.FileList, r.RowGroup, *ParseSelectionRule(rule));
        std::map<std::uint32_t, FileKeySet> marked, unmarked;
        for (std::size_t i = 0; i < m.size(); ++i)
            (m[i] ? marked : unmarked)[r.RowGroup[i]].insert(KeyOf(r.FileList[i]));
        for (const auto &[group, files] : marked) {
            bool keeps = false;
            for (const FileKey &k : unmarked[group])
                keeps = keeps || !files.contains(k);
            EXPECT_TRUE(keeps) << rule << " group " << group;
        }
    }
}

TEST(SelectionRules, ParsingTakesTheCommandLineWords)
{
    EXPECT_EQ(ParseSelectionRule("in:/a b"), (SelectionRule{KeepRule::InsideFolder, "/a b"}));
    EXPECT_EQ(ParseSelectionRule("not-in:x"), (SelectionRule{KeepRule::OutsideFolder, "x"}));
    EXPECT_EQ(ParseSelectionRule("name:*.jpg;*.png"),
              (SelectionRule{KeepRule::NameMatches, "*.jpg;*.png"}));
    EXPECT_FALSE(ParseSelectionRule("in:"));
    EXPECT_FALSE(ParseSelectionRule("largest"));
    EXPECT_FALSE(ParseSelectionRule("Newest"));
}

// The window stores the user's last rule as this text: every rule must come back as it was.
TEST(SelectionRules, RuleTextReadsBackAsTheRule)
{
    for (const SelectionRule &rule :
         {SelectionRule{KeepRule::Newest, {}}, SelectionRule{KeepRule::Oldest, {}},
          SelectionRule{KeepRule::ShortestPath, {}}, SelectionRule{KeepRule::LongestPath, {}},
          SelectionRule{KeepRule::ShortestName, {}}, SelectionRule{KeepRule::First, {}},
          SelectionRule{KeepRule::InsideFolder, "/a b/:c"},
          SelectionRule{KeepRule::OutsideFolder, "/x\xff"},
          SelectionRule{KeepRule::NameMatches, "*.jpg;a?.*"}}) {
        const auto back = ParseSelectionRule(SelectionRuleText(rule));
        ASSERT_TRUE(back) << SelectionRuleText(rule);
        EXPECT_EQ(*back, rule);
    }
}
