// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"
#include "temp_tree.h"
#include "walk.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

using namespace twinly;

namespace {

std::vector<std::string> walk(const SearchOptions &o, const std::string &folder,
                              std::size_t maxOpenDirs = 256, FileList *records = nullptr,
                              unsigned threads = 1, double *totalKB = nullptr)
{
    ScanProgress progress;
    FileList list;
    WalkContext ctx(o, progress, {}, list);
    ctx.maxOpenDirs = maxOpenDirs;
    ctx.threads = threads;
    EXPECT_TRUE(WalkDirectory(WalkFolderText(folder), ctx));
    if (totalKB)
        *totalKB = ctx.totalKB;
    std::vector<std::string> names;
    for (const TFileData &d : list)
        names.push_back(d.FullName);
    if (records)
        *records = std::move(list);
    return names;
}

// The walk as users have always had it: list the folder for subfolders and walk each, then list
// it again for its files. Recursion and full paths are fine for the small trees used here.
void referenceWalk(const std::string &folder, std::vector<std::string> &out)
{
    if (DIR *d = opendir(folder.c_str())) {
        while (const dirent *e = readdir(d)) {
            const std::string name = e->d_name;
            struct stat st {};
            if (name != "." && name != ".." && lstat((folder + "/" + name).c_str(), &st) == 0 &&
                S_ISDIR(st.st_mode))
                referenceWalk(folder + "/" + name, out);
        }
        closedir(d);
    }
    if (DIR *d = opendir(folder.c_str())) {
        while (const dirent *e = readdir(d)) {
            struct stat st {};
            const std::string path = folder + "/" + e->d_name;
            if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                out.push_back(path);
        }
        closedir(d);
    }
}

void makeRandomTree(test::TempTree &tree, unsigned seed, int depth, const std::string &at = "")
{
    std::mt19937 rng(seed);
    const int files = static_cast<int>(rng() % 4);
    for (int i = 0; i < files; ++i)
        tree.createFile(at + "f" + std::to_string(rng() % 1000), "x");
    if (depth == 0)
        return;
    const int dirs = static_cast<int>(rng() % 4);
    for (int i = 0; i < dirs; ++i) {
        const std::string sub = at + "d" + std::to_string(rng() % 1000) + "/";
        tree.createDir(sub);
        makeRandomTree(tree, rng(), depth - 1, sub);
    }
}

} // namespace

TEST(WalkDirectory, SubfoldersFirstDepthFirstInListingOrder)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        test::TempTree tree;
        makeRandomTree(tree, seed, 4);
        std::vector<std::string> expected;
        referenceWalk(tree.root(), expected);
        SearchOptions o;
        EXPECT_EQ(walk(o, tree.root()), expected) << "seed " << seed;
        // With very few descriptors allowed, ancestors are closed and reopened by name; with
        // subtrees walked on several threads, they are joined in the same order. Neither
        // changes the order or the total.
        double total1 = 0;
        walk(o, tree.root(), 256, nullptr, 1, &total1);
        for (unsigned threads : {1u, 2u, 3u}) {
            for (std::size_t maxOpen : {std::size_t{256}, std::size_t{1}}) {
                double total = -1;
                EXPECT_EQ(walk(o, tree.root(), maxOpen, nullptr, threads, &total), expected)
                    << "seed " << seed << " threads " << threads << " open " << maxOpen;
                EXPECT_EQ(total, total1);
            }
        }
    }
}

TEST(WalkDirectory, RecordsCarryNameFolderSizeAndTime)
{
    test::TempTree tree;
    tree.createFile("sub/a.txt", "hello", 1000000000); // 2001-09-09 01:46:40 UTC
    FileList records;
    walk(SearchOptions{}, tree.root() + "/", 256, &records);
    ASSERT_EQ(records.size(), 1u);
    const TFileData &d = records[0];
    EXPECT_EQ(d.FullName, tree.root() + "/sub/a.txt");
    EXPECT_EQ(d.FileName(), "a.txt");
    EXPECT_EQ(d.DirName(), tree.root() + "/sub");
    EXPECT_EQ(d.FileSize, 5);
    EXPECT_TRUE(d.OnDisk);
    EXPECT_FALSE(d.CrcKnown);
    EXPECT_EQ(d.FileTime, (21u << 25) | (9u << 21) | (9u << 16) | (1u << 11) | (46u << 5) | 20u);
}

TEST(WalkDirectory, TrailingSeparatorIsDroppedOnce)
{
    EXPECT_EQ(WalkFolderText("/pics/"), "/pics");
    EXPECT_EQ(WalkFolderText("/pics"), "/pics");
    EXPECT_EQ(WalkFolderText("/"), ""); // the root: its files are "/name"
    EXPECT_EQ(NameOfPath("/a/b.txt"), "b.txt");
    EXPECT_EQ(NameOfPath("b.txt"), "b.txt");
    EXPECT_EQ(DirOfPath("/a/b.txt"), "/a/");
    EXPECT_EQ(DirOfPath("b.txt"), "");
}

TEST(WalkDirectory, NonRecursiveTakesOnlyTheFoldersOwnFiles)
{
    test::TempTree tree;
    tree.createFile("top.txt", "1");
    tree.createFile("sub/inner.txt", "2");
    SearchOptions o;
    o.Recursive = false;
    EXPECT_EQ(walk(o, tree.root()), std::vector<std::string>{tree.path("top.txt")});
}

TEST(WalkDirectory, SizeBoundsAreInclusive)
{
    test::TempTree tree;
    for (int n : {1, 2, 3, 4, 5})
        tree.createFile("s" + std::to_string(n), std::string(static_cast<std::size_t>(n), 'x'));
    SearchOptions o;
    o.MinSize = 2;
    o.MaxSize = 4;
    FileList records;
    walk(o, tree.root(), 256, &records);
    std::vector<std::int64_t> sizes;
    for (const auto &d : records)
        sizes.push_back(d.FileSize);
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<std::int64_t>{2, 3, 4}));
}

TEST(WalkDirectory, MaskTestsFileNamesOnlyAndHiddenFilesCount)
{
    test::TempTree tree;
    tree.createFile("pics.jpg/notes.txt", "1");
    tree.createFile("sub/.hidden.jpg", "2");
    tree.createFile("sub/b.JPG", "3");
    SearchOptions o;
    o.Mask = "*.jpg";
    auto found = walk(o, tree.root());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found,
              (std::vector<std::string>{tree.path("sub/.hidden.jpg"), tree.path("sub/b.JPG")}));
}

TEST(WalkDirectory, LinksFifosAndLoopsAreNeitherFollowedNorTaken)
{
    test::TempTree tree;
    tree.createFile("real/file.txt", "x");
    tree.symlink(tree.root(), "real/loop");    // a folder link back to the top
    tree.symlink("file.txt", "real/link.txt"); // a link to a file
    tree.symlink("nowhere", "real/dangling");  // a broken link
    tree.fifo("real/pipe");                    // reading it would block forever
    EXPECT_EQ(walk(SearchOptions{}, tree.root()),
              std::vector<std::string>{tree.path("real/file.txt")});
}

TEST(WalkDirectory, NamesThatAreNotUtf8AreKeptByteForByte)
{
    test::TempTree tree;
    const std::string name = "caf\xE9-\xFF.txt";
    tree.createFile(name, "x");
    FileList records;
    walk(SearchOptions{}, tree.root(), 256, &records);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].FileName(), name);
}

TEST(WalkDirectory, MissingFolderContributesNothing)
{
    test::TempTree tree;
    EXPECT_TRUE(walk(SearchOptions{}, tree.path("missing")).empty());
    tree.createFile("plain", "x");
    EXPECT_TRUE(walk(SearchOptions{}, tree.path("plain")).empty()); // not a folder
}

TEST(WalkDirectory, UnreadableFolderIsSkippedAndTheRestIsWalked)
{
    test::TempTree tree;
    tree.createFile("open/a.txt", "x");
    tree.createFile("locked/b.txt", "x");
    ::chmod(tree.root().c_str(), 0755);
    ::chmod(tree.path("open").c_str(), 0755);
    ::chmod(tree.path("open/a.txt").c_str(), 0644);
    ::chmod(tree.path("locked").c_str(), 0);
    const std::vector<std::string> expected{tree.path("open/a.txt")};
    if (!test::permissionsAreBypassed()) {
        EXPECT_EQ(walk(SearchOptions{}, tree.root()), expected);
        return;
    }
    // Root reads every folder; walk as an ordinary user in a child process instead.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        ScanProgress progress;
        FileList list;
        SearchOptions o;
        WalkContext ctx(o, progress, {}, list);
        const bool ok =
            WalkDirectory(tree.root(), ctx) && list.size() == 1 && list[0].FullName == expected[0];
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

namespace {

// A chain of `depth` nested folders named "d", made and removed through descriptors: its
// paths are far beyond what the system accepts in one path.
int descend(int fd, const char *name)
{
    const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    return child;
}

void makeChain(const std::string &top, int depth)
{
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < depth && fd >= 0; ++i) {
        ::mkdirat(fd, "d", 0755);
        if (i == depth / 2 || i == depth - 1)
            ::close(::openat(fd, "file", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        fd = descend(fd, "d");
    }
    ::close(fd);
}

void removeChain(const std::string &top, int depth)
{
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < depth && fd >= 0; ++i)
        fd = descend(fd, "d");
    for (int i = 0; i < depth && fd >= 0; ++i) {
        const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::unlinkat(fd, "file", 0);
        ::close(fd);
        ::unlinkat(parent, "d", AT_REMOVEDIR);
        fd = parent;
    }
    ::close(fd);
}

} // namespace

TEST(WalkDirectory, TenThousandNestedFoldersNeitherOverflowNorRunOutOfDescriptors)
{
    test::TempTree tree;
    constexpr int depth = 10000;
    makeChain(tree.root(), depth);
    FileList records;
    walk(SearchOptions{}, tree.root(), 256, &records);
    removeChain(tree.root(), depth);
    ASSERT_EQ(records.size(), 2u);
    // Subfolders first: the deepest file comes before the one half way up.
    EXPECT_EQ(records[0].FullName.size(), tree.root().size() + 2 * (depth - 1) + 5);
    EXPECT_EQ(records[1].FullName.size(), tree.root().size() + 2 * (depth / 2) + 5);
    EXPECT_EQ(records[0].FileName(), "file");
}
