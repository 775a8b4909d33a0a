// SPDX-License-Identifier: GPL-3.0-or-later
#include "empty_folders.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace twinly;

namespace {

bool exists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

TEST(RemoveFoldersLeftEmpty, OnlyFoldersTheRemovalEmptiedGoUpToTheSearchFolder)
{
    test::TempTree t;
    const auto deep = t.createFile("s/a/b/f", "x");
    const auto shared = t.createFile("s/c/f", "x");
    t.createFile("s/c/g", "stays");
    t.createDir("s/empty-before");
    t.createDir("s/d/empty-before-too");
    const auto beside = t.createFile("s/d/f", "x");
    const auto only = t.createFile("s/top-file", "x");
    for (const auto &f : {deep, shared, beside, only})
        ASSERT_EQ(::unlink(f.c_str()), 0);
    const std::string still = t.createFile("s/e/f", "still there"); // listed, yet not removed

    const std::vector<std::string> files = {deep, shared, beside, only, still};
    const std::vector<std::string> search = {t.path("s")};
    const auto removed = platform::RemoveFoldersLeftEmpty(files, search);
    EXPECT_EQ(removed, (std::vector<std::string>{t.path("s/a/b"), t.path("s/a")}));
    EXPECT_TRUE(exists(t.path("s")));                    // a folder of the search list
    EXPECT_TRUE(exists(t.path("s/c/g")));                // not empty
    EXPECT_TRUE(exists(t.path("s/empty-before")));       // held nothing that was removed
    EXPECT_TRUE(exists(t.path("s/d/empty-before-too"))); // so its parent is not empty
    EXPECT_TRUE(exists(t.path("s/e/f")));
}

TEST(RemoveFoldersLeftEmpty, SearchFoldersAreKnownByTheirRealFolder)
{
    test::TempTree t;
    const auto f = t.createFile("real/sub/f", "x");
    t.symlink(t.path("real/sub"), "alias");
    ASSERT_EQ(::unlink(f.c_str()), 0);
    const std::vector<std::string> files = {f};
    const std::vector<std::string> search = {t.path("alias")}; // the same folder, another text
    EXPECT_TRUE(platform::RemoveFoldersLeftEmpty(files, search).empty());
    EXPECT_TRUE(exists(t.path("real/sub")));
    // Without it in the list, the emptied folder and its emptied parent go; the tree's root
    // holds the link, so it stays.
    const std::vector<std::string> other = {t.path("elsewhere")};
    EXPECT_EQ(platform::RemoveFoldersLeftEmpty(files, other),
              (std::vector<std::string>{t.path("real/sub"), t.path("real")}));
    EXPECT_TRUE(exists(t.root()));
}
