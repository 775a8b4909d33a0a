// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanner.h"
#include "selection_rules.h"
#include "temp_tree.h"
#include "totals.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace twinly;

namespace {

SearchResult search(const test::TempTree &t)
{
    SearchOptions o;
    o.Folders = {t.root()};
    o.ReadThreads = 1;
    ScanProgress p;
    return RunSearch(o, {}, p, {});
}

} // namespace

TEST(Totals, RedundantBytesCountEachFileOnceAndKeepOneCopy)
{
    test::TempTree t;
    t.createFile("a/x", std::string(1000, 'x'));
    t.createFile("b/x", std::string(1000, 'x'));
    t.createFile("c/x", std::string(1000, 'x'));
    ASSERT_EQ(::link(t.path("a/x").c_str(), t.path("a/x-again").c_str()), 0); // takes no space
    t.createFile("y1", std::string(10, 'y'));
    t.createFile("y2", std::string(10, 'y'));
    const SearchResult r = search(t);
    ASSERT_EQ(r.FileList.size(), 6u);
    const ResultTotals total = TotalsOf(r.FileList, r.RowGroup);
    EXPECT_EQ(total.groups, 2u);
    EXPECT_EQ(total.files, 6u);
    EXPECT_EQ(total.redundantBytes, 2000u + 10u);

    // Checked: both names of one file count its bytes once.
    RowMarks marks(r.FileList.size(), 0);
    for (std::size_t i = 0; i < marks.size(); ++i)
        marks[i] = r.FileList[i].FullName.starts_with(t.path("a/")) ? 1 : 0;
    const CheckedTotals checked = CheckedTotalsOf(r.FileList, marks);
    EXPECT_EQ(checked.files, 2u);
    EXPECT_EQ(checked.bytes, 1000u);
}

TEST(Totals, LargestGroupsFirstIsStableAndKeepsRowsWithTheirGroups)
{
    FileList rows;
    std::vector<std::uint32_t> groups;
    // group 7: 2 x 10 bytes (frees 10); group 3: 3 x 50 (100); group 9: 2 x 10 (10)
    auto add = [&](std::uint32_t g, std::int64_t size, const char *name) {
        rows.push_back(TFileData::onDisk("/d", name, size, 0));
        groups.push_back(g);
    };
    add(7, 10, "a1");
    add(7, 10, "a2");
    add(3, 50, "b1");
    add(3, 50, "b2");
    add(3, 50, "b3");
    add(9, 10, "c1");
    add(9, 10, "c2");
    rows.push_back(TFileData::databaseEntry(10, 1, 0)); // a database entry frees nothing
    groups.push_back(9);
    const auto order = LargestGroupsFirst(rows, groups);
    EXPECT_EQ(order, (std::vector<std::size_t>{2, 3, 4, 0, 1, 5, 6, 7}));
    RowBand bands;
    ApplyRowOrder(rows, groups, bands, order);
    std::vector<std::string> names;
    for (const TFileData &d : rows)
        names.emplace_back(d.FileName());
    EXPECT_EQ(names, (std::vector<std::string>{"b1", "b2", "b3", "a1", "a2", "c1", "c2",
                                               std::string(kOfflineName)}));
    EXPECT_EQ(groups, (std::vector<std::uint32_t>{3, 3, 3, 7, 7, 9, 9, 9}));
    EXPECT_EQ(bands, (RowBand{1, 1, 1, 0, 0, 1, 1, 1}));
}
