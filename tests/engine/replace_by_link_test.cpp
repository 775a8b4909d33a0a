// SPDX-License-Identifier: GPL-3.0-or-later
#include "replace_by_link.h"
#include "scanner.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace twinly;

TEST(ReplaceRecordByLink, OriginalsAndDatabaseEntriesAreNeverReplaced)
{
    test::TempTree t;
    t.createFile("orig/a", "same");
    t.createFile("work/a", "same");
    SearchOptions o;
    o.Folders = {t.path("work")};
    o.ReferenceFolders = {t.path("orig")};
    o.ReadThreads = 1;
    ScanProgress p;
    const SearchResult r = RunSearch(o, {}, p, {});
    ASSERT_EQ(r.FileList.size(), 2u);
    const TFileData &ref = r.FileList[0].Reference ? r.FileList[0] : r.FileList[1];
    const TFileData &copy = r.FileList[0].Reference ? r.FileList[1] : r.FileList[0];
    EXPECT_EQ(ReplaceByLink(ref, copy, platform::LinkKind::Hard).refusal,
              platform::LinkRefusal::Protected);
    EXPECT_EQ(
        ReplaceByLink(copy, TFileData::databaseEntry(4, 1, 0), platform::LinkKind::Hard).refusal,
        platform::LinkRefusal::Protected);
    // The copy against the original it duplicates: as the search recorded both, so it goes.
    ASSERT_TRUE(ReplaceByLink(copy, ref, platform::LinkKind::Hard).ok);
    struct stat a {
    }, b{};
    ASSERT_EQ(::stat(ref.FullName.c_str(), &a), 0);
    ASSERT_EQ(::stat(copy.FullName.c_str(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
}
