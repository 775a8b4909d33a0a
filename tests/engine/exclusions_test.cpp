// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"
#include "scanner.h"
#include "temp_tree.h"
#include "walk.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

using namespace twinly;

namespace {

std::vector<std::string> walkNames(const SearchOptions &o, const std::string &folder,
                                   unsigned threads = 1)
{
    ScanProgress progress;
    FileList list;
    WalkContext ctx(o, progress, {}, list);
    ctx.threads = threads;
    EXPECT_TRUE(WalkDirectory(WalkFolderText(folder), ctx));
    std::vector<std::string> names;
    for (const TFileData &d : list)
        names.push_back(d.FullName.substr(folder.size() + 1));
    std::sort(names.begin(), names.end());
    return names;
}

// Counts how often folders were opened (listing needs an open; looking at an entry does not).
class OpenWatch {
public:
    OpenWatch() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpenWatch() { ::close(m_fd); }
    void watch(const std::string &folder) { ::inotify_add_watch(m_fd, folder.c_str(), IN_OPEN); }
    int opens() const
    {
        int n = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                return n;
            for (ssize_t at = 0; at < got;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
                n += (e->mask & IN_ISDIR) && e->len == 0 ? 1 : 0; // the folder itself
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }

private:
    int m_fd;
};

} // namespace

TEST(Exclusions, NamesAndMasksLeaveOutFoldersAndFilesAnywhereInTheTree)
{
    test::TempTree t;
    t.createFile("a/.git/config", "x");
    t.createFile("a/src/node_modules/lib.js", "x");
    t.createFile("a/src/main.cpp", "x");
    t.createFile("a/src/main.tmp", "x");
    t.createFile("a/~lock", "x");
    t.createFile("a/notes.TMP.txt", "x"); // the first ".tmp" must end the name
    SearchOptions o;
    o.Exclusions = {".git", "node_modules", "*.tmp;~*"};
    for (unsigned threads : {1u, 3u})
        EXPECT_EQ(walkNames(o, t.root(), threads),
                  (std::vector<std::string>{"a/notes.TMP.txt", "a/src/main.cpp"}));
    // Without exclusions everything is taken.
    EXPECT_EQ(walkNames(SearchOptions{}, t.root()).size(), 6u);
    // A name rule is not applied to the folder the search was given.
    o.Exclusions = {"src"};
    EXPECT_EQ(walkNames(o, t.path("a/src")).size(), 3u);
}

TEST(Exclusions, PathsAreTheRealFolderWhateverTextReachesIt)
{
    test::TempTree t;
    t.createFile("data/cache/c1", "x");
    t.createFile("data/cache/sub/c2", "x");
    t.createFile("data/cached/k", "x"); // a text prefix of the path, another folder
    t.createFile("data/keep", "x");
    t.createFile("elsewhere/f", "x");
    t.symlink(t.path("data/cache"), "link");
    SearchOptions o;
    o.Exclusions = {t.path("link")}; // through a link, so only device and inode can tell
    EXPECT_EQ(walkNames(o, t.path("data")), (std::vector<std::string>{"cached/k", "keep"}));
    o.Exclusions = {t.path("data/./cache/")};
    EXPECT_EQ(walkNames(o, t.path("data")), (std::vector<std::string>{"cached/k", "keep"}));
    // A searched folder that is, or lies below, an excluded path gives nothing.
    EXPECT_TRUE(walkNames(o, t.path("data/cache")).empty());
    EXPECT_TRUE(walkNames(o, t.path("data/cache/sub")).empty());
    // A path to a file leaves that file out; a path that leads nowhere leaves out nothing.
    o.Exclusions = {t.path("data/keep"), t.path("missing/folder")};
    EXPECT_EQ(walkNames(o, t.path("data")),
              (std::vector<std::string>{"cache/c1", "cache/sub/c2", "cached/k"}));
}

TEST(Exclusions, ExcludedFoldersAreNeverOpened)
{
    test::TempTree t;
    t.createFile("top/big/inner/f", "x");
    t.createFile("top/other/g", "x");
    t.createFile("top/h", "x");
    ::chmod(t.path("top/big").c_str(), 0); // an open would fail for a user; root would list it
    OpenWatch byName, byPath, control;
    byName.watch(t.path("top/big"));
    control.watch(t.path("top/other"));
    SearchOptions o;
    o.Exclusions = {"big"};
    EXPECT_EQ(walkNames(o, t.path("top")), (std::vector<std::string>{"h", "other/g"}));
    EXPECT_EQ(byName.opens(), 0);
    EXPECT_GE(control.opens(), 1); // the watch does see the walk's opens

    byPath.watch(t.path("top/big"));
    o.Exclusions = {t.path("top/big")};
    EXPECT_EQ(walkNames(o, t.path("top"), 2), (std::vector<std::string>{"h", "other/g"}));
    EXPECT_EQ(byPath.opens(), 0);
    ::chmod(t.path("top/big").c_str(), 0755);
}

TEST(Exclusions, ASearchFindsNoDuplicatesInExcludedPlaces)
{
    test::TempTree t;
    t.createFile("a/one", "same");
    t.createFile("a/.snapshot/one", "same");
    t.createFile("b/one.bak", "same");
    SearchOptions o;
    o.Folders = {t.path("a"), t.path("b")};
    o.ReadThreads = 1;
    ScanProgress p;
    EXPECT_EQ(RunSearch(o, {}, p, {}).FileList.size(), 3u);
    o.Exclusions = {".snapshot", "*.bak"};
    EXPECT_TRUE(RunSearch(o, {}, p, {}).FileList.empty());
}
