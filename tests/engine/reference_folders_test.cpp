// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference_folders.h"
#include "scanner.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace twinly;

namespace {

SearchResult search(const std::vector<std::string> &folders, const std::vector<std::string> &refs)
{
    SearchOptions o;
    o.Folders = folders;
    o.ReferenceFolders = refs;
    o.ReadThreads = 1;
    ScanProgress p;
    return RunSearch(o, {}, p, {});
}

struct Row {
    std::string path;
    bool reference;
    std::uint32_t group;
    int band;
    bool operator==(const Row &) const = default;
};

std::vector<Row> rowsOf(const SearchResult &r, const std::string &root)
{
    std::vector<Row> rows;
    for (std::size_t i = 0; i < r.FileList.size(); ++i)
        rows.push_back({r.FileList[i].FullName.substr(root.size() + 1), r.FileList[i].Reference,
                        r.RowGroup[i], r.RowBand[i]});
    return rows;
}

} // namespace

TEST(ReferenceFolders, GroupsOnlyOfOriginalsAreDroppedAndTheRestRenumbered)
{
    test::TempTree t;
    t.createFile("orig/p1", "photo one");
    t.createFile("orig/p2", "photo one"); // two originals alike: nothing to clean up
    t.createFile("orig/q", "photo two");
    t.createFile("work/q", "photo two");
    t.createFile("work/s1", "scratch");
    t.createFile("work/s2", "scratch");
    const SearchResult plain = search({t.path("orig"), t.path("work")}, {});
    EXPECT_EQ(plain.FileList.size(), 6u);
    for (const TFileData &d : plain.FileList)
        EXPECT_FALSE(d.Reference);

    // The reference folder is walked although it is not among the searched folders.
    const SearchResult r = search({t.path("work")}, {t.path("orig")});
    std::vector<Row> rows = rowsOf(r, t.root());
    ASSERT_EQ(rows.size(), 4u);
    // Numbers and bands run again over what is left, in list order.
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].group, i / 2);
        EXPECT_EQ(rows[i].band, i < 2 ? 1 : 0);
        rows[i].group = 0;
        rows[i].band = 0;
    }
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.path < b.path; });
    EXPECT_EQ(rows, (std::vector<Row>{{"orig/q", true, 0, 0},
                                      {"work/q", false, 0, 0},
                                      {"work/s1", false, 0, 0},
                                      {"work/s2", false, 0, 0}}));
}

TEST(ReferenceFolders, DecidedByTheRealFolderNotByPathText)
{
    test::TempTree t;
    t.createFile("all/orig/a", "same");
    t.createFile("all/orig/deep/b", "other");
    t.createFile("all/original/a", "same"); // its text starts like the reference folder's
    t.createFile("all/copy/b", "other");
    t.symlink(t.path("all/orig"), "alias");
    // Named through a link, and already inside the searched folder: walked once, marked by
    // device and inode.
    EXPECT_EQ(ReferenceFoldersToWalk({t.path("all")}, {t.path("alias")}).size(), 0u);
    EXPECT_EQ(
        ReferenceFoldersToWalk({t.path("all/copy")}, {t.path("alias"), t.path("all/orig")}).size(),
        1u);
    const SearchResult r = search({t.path("all")}, {t.path("alias")});
    ASSERT_EQ(r.FileList.size(), 4u);
    for (const TFileData &d : r.FileList) {
        const bool inOrig = d.FullName.starts_with(t.path("all/orig/"));
        EXPECT_EQ(d.Reference, inOrig) << d.FullName;
    }
}

TEST(ReferenceFolders, MarkingLeavesDatabaseEntriesAlone)
{
    test::TempTree t;
    t.createFile("r/x", "1");
    FileList list;
    list.push_back(TFileData::databaseEntry(1, 5, 0));
    list.push_back(TFileData::onDisk(t.path("r"), "x", 1, 0));
    list.push_back(TFileData::onDisk(t.root(), "y", 1, 0));
    MarkReferenceRecords(list, {t.path("r") + "/"});
    EXPECT_FALSE(list[0].Reference);
    EXPECT_TRUE(list[1].Reference);
    EXPECT_FALSE(list[2].Reference);
    // A group of a reference file and a database entry has nothing on disk that could go.
    EXPECT_FALSE(GroupHasNonReferenceFile(std::span(list).first(2)));
    EXPECT_TRUE(GroupHasNonReferenceFile(list));
}
