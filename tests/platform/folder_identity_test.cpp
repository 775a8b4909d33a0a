// SPDX-License-Identifier: GPL-3.0-or-later
#include "folder_identity.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using namespace twinly::platform;
using twinly::test::TempTree;

namespace {

// Runs with the working folder changed, and puts it back.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string &folder) : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(m_old); }
    WorkingFolder(const WorkingFolder &) = delete;
    WorkingFolder &operator=(const WorkingFolder &) = delete;

private:
    std::filesystem::path m_old;
};

} // namespace

TEST(CleanFolderPath, AbsoluteWithoutDotsDoubledOrTrailingSeparators)
{
    EXPECT_EQ(CleanFolderPath("/x/Music/./album"), "/x/Music/album");
    EXPECT_EQ(CleanFolderPath("/x/Music/album/"), "/x/Music/album");
    EXPECT_EQ(CleanFolderPath("//x///Music//album//"), "/x/Music/album");
    EXPECT_EQ(CleanFolderPath("/x/Music/../Music/album/."), "/x/Music/album");
    EXPECT_EQ(CleanFolderPath("/x/../.."), "/");
    EXPECT_EQ(CleanFolderPath("/"), "/");
    EXPECT_EQ(CleanFolderPath("///"), "/");
    EXPECT_EQ(CleanFolderPath(""), "");
    // A name is bytes: nothing but "/" and the dot names is special.
    EXPECT_EQ(CleanFolderPath("/d\xE9/...\\/.x/"), "/d\xE9/...\\/.x");

    TempTree tree;
    tree.createDir("work/ov");
    const WorkingFolder here(tree.path("work"));
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(CleanFolderPath("ov/sub"), cwd + "/ov/sub");
    EXPECT_EQ(CleanFolderPath("."), cwd);
    EXPECT_EQ(CleanFolderPath("./ov/../ov/"), cwd + "/ov");
}

TEST(FolderWithin, RealFoldersDecideNotTheirTexts)
{
    TempTree tree;
    const std::string music = tree.createDir("x/Music");
    const std::string album = tree.createDir("x/Music/album");
    const std::string other = tree.createDir("x/Musical");
    const std::string elsewhere = tree.createDir("y/far");
    tree.symlink(music, "link-to-music");
    tree.symlink(elsewhere, "x/Music/out");
    const std::string link = tree.path("link-to-music");

    EXPECT_TRUE(FolderWithin(album, music));
    EXPECT_TRUE(FolderWithin(music, music));
    EXPECT_FALSE(FolderWithin(music, album));
    // Sharing the first letters of a name is not lying inside.
    EXPECT_FALSE(FolderWithin(other, music));
    // A link is the folder it leads to, in either place.
    EXPECT_TRUE(FolderWithin(link, music));
    EXPECT_TRUE(FolderWithin(music, link));
    EXPECT_TRUE(FolderWithin(link + "/album", music));
    EXPECT_TRUE(FolderWithin(album, link));
    // Texts with dots and doubled separators name the same folders.
    EXPECT_TRUE(FolderWithin(tree.path("x/Music/./album"), music));
    EXPECT_TRUE(FolderWithin(album, tree.path("x//Music/.")));
    // Below the folder by its text, but through a link to somewhere else: not inside (the
    // walk does not follow that link).
    EXPECT_FALSE(FolderWithin(tree.path("x/Music/out"), music));
    EXPECT_TRUE(FolderWithin(tree.path("x/Music/out"), tree.path("y")));
    EXPECT_TRUE(FolderWithin(album, "/"));
}

TEST(FolderWithin, FoldersThatCannotBeReachedAreComparedByTheirCleanTexts)
{
    TempTree tree;
    const std::string music = tree.createDir("x/Music");
    EXPECT_TRUE(FolderWithin(tree.path("x/Music/gone"), music));
    EXPECT_TRUE(FolderWithin(tree.path("x/Music/gone/../gone2/"), music));
    EXPECT_FALSE(FolderWithin(tree.path("x/Musical/gone"), music));
    EXPECT_TRUE(FolderWithin("/no/such/a/b", "/no/such/a"));
    EXPECT_TRUE(FolderWithin("/no/such/a", "/no/such/a/"));
    EXPECT_FALSE(FolderWithin("/no/such/ab", "/no/such/a"));
    EXPECT_FALSE(FolderWithin("/no/such/a", "/no/such/a/b"));
    // A file is no folder to be inside of.
    const std::string file = tree.createFile("x/file", "f");
    EXPECT_FALSE(FolderWithin(music, file));
}

TEST(FolderWithin, AFolderBehindAClosedDoorIsComparedByItsText)
{
    if (twinly::test::permissionsAreBypassed())
        GTEST_SKIP() << "permissions do not stop this user";
    TempTree tree;
    const std::string closed = tree.createDir("closed");
    tree.createDir("closed/sub");
    tree.createDir("open");
    ASSERT_EQ(::chmod(closed.c_str(), 0), 0);
    EXPECT_TRUE(FolderWithin(closed + "/sub", closed));
    EXPECT_TRUE(FolderWithin(closed + "/./sub/", closed));
    EXPECT_FALSE(FolderWithin(tree.path("open"), closed));
    EXPECT_FALSE(FolderWithin(closed, tree.path("open")));
    ::chmod(closed.c_str(), 0700);
}
