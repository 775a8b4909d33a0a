// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomic_file.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>

using namespace twinly::platform;
using twinly::test::SmallFileSystem;
using twinly::test::TempTree;

namespace fs = std::filesystem;

namespace {

std::vector<std::string> dirEntries(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct stat lstatOf(const std::string &path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

unsigned modeOf(const std::string &path)
{
    return lstatOf(path).st_mode & 07777;
}

class Umask {
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) {}
    ~Umask() { ::umask(m_old); }

private:
    mode_t m_old;
};

} // namespace

TEST(WriteFileAtomically, NewFilesTakeTheGivenModeAndReplacementsKeepTheOldOne)
{
    TempTree tree;
    const Umask umask(022);
    ASSERT_TRUE(WriteFileAtomically(tree.path("db.twd"), "one"));
    EXPECT_EQ(tree.read("db.twd"), "one");
    EXPECT_EQ(modeOf(tree.path("db.twd")), 0644u);
    ASSERT_TRUE(WriteFileAtomically(tree.path("private"), "x", {.newFileMode = 0600}));
    EXPECT_EQ(modeOf(tree.path("private")), 0600u);

    const struct {
        unsigned before;
        unsigned required;
        unsigned after;
    } cases[] = {
        {0640, 0, 0640},    {0600, 0, 0600},    {0755, 0, 0755},    {0444, 0, 0444},
        {0000, 0600, 0600}, {0400, 0600, 0600}, {0640, 0600, 0640}, {0604, 0600, 0604},
    };
    for (const auto &c : cases) {
        const std::string path = tree.createFile("old", "before");
        ASSERT_EQ(::chmod(path.c_str(), c.before), 0);
        const auto result = WriteFileAtomically(path, "after", {.requiredMode = c.required});
        ASSERT_TRUE(result) << result.message;
        EXPECT_EQ(modeOf(path), c.after) << std::oct << c.before << " " << c.required;
        ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
        EXPECT_EQ(tree.read("old"), "after");
    }
    EXPECT_EQ(dirEntries(tree.root()), (std::vector<std::string>{"db.twd", "old", "private"}));
}

TEST(WriteFileAtomically, AnExistingFileIsReplacedByANewOneNeverRewrittenInPlace)
{
    TempTree tree;
    const std::string path = tree.createFile("a", "old text");
    // A second name of the old file sees the old bytes: the new ones went into a new file.
    ASSERT_EQ(::link(path.c_str(), tree.path("other name").c_str()), 0);
    const ino_t oldInode = lstatOf(path).st_ino;
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(tree.read("a"), "new");
    EXPECT_EQ(tree.read("other name"), "old text");
    EXPECT_NE(lstatOf(path).st_ino, oldInode);
}

TEST(WriteFileAtomically, TheOwnerOfAReplacedFileIsKept)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only a privileged process can keep another user's file theirs";
    TempTree tree;
    const std::string path = tree.createFile("theirs", "x");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 02640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "y"));
    const struct stat st = lstatOf(path);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 02640u); // the owner change did not drop the set-id bit
}

TEST(WriteFileAtomically, LinksAreWrittenThroughAndStayLinks)
{
    TempTree tree;
    tree.createFile("real/settings", "old");
    // A chain: relative, then absolute, then relative again from another folder.
    tree.symlink("../real/settings", "hop/two");
    tree.symlink(tree.path("hop/two"), "one");
    tree.symlink("one", "start");
    ASSERT_TRUE(WriteFileAtomically(tree.path("start"), "new"));
    EXPECT_EQ(tree.read("real/settings"), "new");
    for (const char *link : {"start", "one", "hop/two"})
        EXPECT_TRUE(fs::is_symlink(tree.path(link))) << link;
    EXPECT_EQ(dirEntries(tree.path("real")), std::vector<std::string>{"settings"});
    EXPECT_EQ(dirEntries(tree.path("hop")), std::vector<std::string>{"two"});

    std::string target;
    ASSERT_TRUE(ResolveWriteTarget(tree.path("start"), target));
    EXPECT_EQ(fs::canonical(target), fs::canonical(tree.path("real/settings")));

    // A dangling link gets its target created; the link stays.
    tree.symlink("made/by/save.twd", "dangling");
    tree.createDir("made/by");
    ASSERT_TRUE(WriteFileAtomically(tree.path("dangling"), "db"));
    EXPECT_TRUE(fs::is_symlink(tree.path("dangling")));
    EXPECT_EQ(tree.read("made/by/save.twd"), "db");

    // A loop of links is refused and creates nothing.
    tree.symlink("loop-b", "loop-a");
    tree.symlink("loop-a", "loop-b");
    const auto loop = WriteFileAtomically(tree.path("loop-a"), "x");
    EXPECT_EQ(loop.error, ELOOP);
    EXPECT_FALSE(loop.message.empty());
    EXPECT_TRUE(fs::is_symlink(tree.path("loop-a")));
    EXPECT_TRUE(fs::is_symlink(tree.path("loop-b")));
}

TEST(WriteFileAtomically, TargetsThatAreNoRegularFileAreRefusedAndLeftAlone)
{
    TempTree tree;
    tree.fifo("nodes/fifo");
    tree.createFile("nodes/folder/inside", "kept");
    const std::string socketPath = tree.path("nodes/socket");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::close(sock);
    std::vector<std::string> nodes = {"fifo", "folder", "socket"};
    // A device node of our own, with the numbers of the null device: even a write that got
    // through would change nothing anywhere.
    if (::mknod(tree.path("nodes/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        nodes.push_back("null");
    else
        std::cout << "no device node of our own (" << std::strerror(errno)
                  << "): only root can make one\n";
    for (const std::string &name : std::vector<std::string>(nodes))
        tree.symlink("../nodes/" + name, "links/" + name);
    std::sort(nodes.begin(), nodes.end());

    for (const std::string &name : nodes) {
        for (const std::string &path : {tree.path("nodes/" + name), tree.path("links/" + name)}) {
            const struct stat before = lstatOf(tree.path("nodes/" + name));
            const auto result = WriteFileAtomically(path, "must not land");
            EXPECT_FALSE(result) << path;
            EXPECT_EQ(result.error, name == "folder" ? EISDIR : kNotRegularFile) << path;
            EXPECT_FALSE(result.message.empty());
            const struct stat after = lstatOf(tree.path("nodes/" + name));
            EXPECT_EQ(after.st_ino, before.st_ino) << path;
            EXPECT_EQ(after.st_mode, before.st_mode) << path;
            EXPECT_EQ(after.st_rdev, before.st_rdev) << path;
            EXPECT_TRUE(fs::is_symlink(tree.path("links/" + name)));
        }
    }
    EXPECT_EQ(dirEntries(tree.path("nodes")), nodes);
    EXPECT_EQ(dirEntries(tree.path("nodes/folder")), std::vector<std::string>{"inside"});
    EXPECT_EQ(tree.read("nodes/folder/inside"), "kept");
    EXPECT_EQ(WriteFileAtomically(tree.path("nodes/folder/"), "x").error, EISDIR);
    EXPECT_EQ(WriteFileAtomically("", "x").error, ENOENT);
}

TEST(WriteFileAtomically, NamesUpToTheLongestLegalOneWork)
{
    TempTree tree;
    for (std::size_t length = 240; length <= 255; ++length) {
        const std::string name(length, 'n');
        const auto result = WriteFileAtomically(tree.path(name), "first");
        ASSERT_TRUE(result) << length << ": " << result.message;
        ASSERT_TRUE(WriteFileAtomically(tree.path(name), "second")) << length;
        EXPECT_EQ(tree.read(name), "second");
        // Through a link whose own name is as long.
        const std::string link(length, 'l');
        tree.symlink(name, link);
        ASSERT_TRUE(WriteFileAtomically(tree.path(link), "third")) << length;
        EXPECT_EQ(tree.read(name), "third");
        fs::remove(tree.path(name));
        fs::remove(tree.path(link));
    }
    EXPECT_TRUE(dirEntries(tree.root()).empty());
    EXPECT_EQ(WriteFileAtomically(tree.path(std::string(256, 'n')), "x").error, ENAMETOOLONG);
}

TEST(WriteFileAtomically, AFullDiskLeavesTheOldFileAndNoTemporaryFile)
{
    TempTree tree;
    const std::string dir = tree.createDir("small");
    const SmallFileSystem disk(dir, "64k");
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";

    const std::string path = dir + "/file";
    ASSERT_TRUE(WriteFileAtomically(path, "small and old"));
    const auto result = WriteFileAtomically(path, std::string(256 * 1024, 'x'));
    EXPECT_EQ(result.error, ENOSPC);
    EXPECT_EQ(result.message, std::system_category().message(ENOSPC));
    EXPECT_EQ(tree.read("small/file"), "small and old");
    EXPECT_EQ(dirEntries(dir), std::vector<std::string>{"file"});
}

TEST(WriteFileAtomically, AFolderThatCannotBeWrittenFailsWithTheSystemsReason)
{
    TempTree tree;
    const auto missing = WriteFileAtomically(tree.path("no/such/folder/file"), "x");
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_EQ(missing.message, std::system_category().message(ENOENT));
    tree.createFile("plain", "x");
    EXPECT_EQ(WriteFileAtomically(tree.path("plain/file"), "x").error, ENOTDIR);
    EXPECT_EQ(tree.read("plain"), "x");
}
