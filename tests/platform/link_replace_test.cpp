// SPDX-License-Identifier: GPL-3.0-or-later
#include "link_replace.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

using namespace twinly;
using platform::LinkKind;
using platform::LinkRefusal;

namespace {

platform::SeenFile seen(const std::string &path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return {path, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            st.st_size,
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

struct stat lstatOf(const std::string &path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::string slurp(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Names in a folder, so that no temporary is left behind unnoticed.
std::vector<std::string> entries(const std::string &folder)
{
    std::vector<std::string> names;
    if (DIR *d = ::opendir(folder.c_str())) {
        while (const dirent *e = ::readdir(d))
            if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..")
                names.emplace_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The file as it was, byte for byte and inode for inode.
void expectUntouched(const platform::SeenFile &before, const std::string &content)
{
    const struct stat now = lstatOf(before.path);
    EXPECT_TRUE(S_ISREG(now.st_mode));
    EXPECT_EQ(static_cast<std::uint64_t>(now.st_ino), before.inode);
    EXPECT_EQ(slurp(before.path), content);
}

struct Pair {
    test::TempTree t;
    std::string keeper, copy;
    Pair(std::string_view content = "the same bytes")
    {
        keeper = t.createFile("keep/orig", content);
        copy = t.createFile("dup/copy", content);
    }
};

} // namespace

TEST(ReplaceByLink, HardLinkMakesThePathAnotherNameOfTheKeeper)
{
    Pair p;
    const auto k = seen(p.keeper);
    const auto r = platform::ReplaceByLink(seen(p.copy), k, LinkKind::Hard);
    ASSERT_TRUE(r.ok) << r.error;
    const struct stat now = lstatOf(p.copy);
    EXPECT_EQ(static_cast<std::uint64_t>(now.st_ino), k.inode);
    EXPECT_EQ(now.st_nlink, 2u);
    EXPECT_EQ(slurp(p.copy), "the same bytes");
    EXPECT_EQ(entries(p.t.path("dup")), std::vector<std::string>{"copy"});
}

TEST(ReplaceByLink, SymbolicLinkHasAnAbsoluteTargetAndKeepsTheOwner)
{
    Pair p;
    ASSERT_EQ(::chown(p.copy.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chdir(p.t.root().c_str()), 0);
    auto k = seen(p.keeper);
    k.path = "keep/orig"; // given relative: the link still names it absolutely
    const auto r = platform::ReplaceByLink(seen(p.copy), k, LinkKind::Symbolic);
    ASSERT_EQ(::chdir("/"), 0);
    ASSERT_TRUE(r.ok) << r.error;
    const struct stat now = lstatOf(p.copy);
    ASSERT_TRUE(S_ISLNK(now.st_mode));
    EXPECT_EQ(now.st_uid, 65534u);
    char target[4096] = {};
    ASSERT_GT(::readlink(p.copy.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), p.keeper);
    EXPECT_EQ(slurp(p.copy), "the same bytes");
    EXPECT_EQ(entries(p.t.path("dup")), std::vector<std::string>{"copy"});
}

TEST(ReplaceByLink, RefusesWhateverIsNoLongerAsSearchedAndLeavesTheOriginal)
{
    {
        Pair p; // keeper rewritten after the search, same size
        const auto k = seen(p.keeper), c = seen(p.copy);
        p.t.createFile("keep/orig", "THE SAME BYTES", 1'600'000'000);
        EXPECT_EQ(platform::ReplaceByLink(c, k, LinkKind::Hard).refusal, LinkRefusal::Changed);
        expectUntouched(c, "the same bytes");
    }
    {
        Pair p; // the copy itself is gone
        const auto k = seen(p.keeper), c = seen(p.copy);
        ::unlink(p.copy.c_str());
        EXPECT_EQ(platform::ReplaceByLink(c, k, LinkKind::Symbolic).refusal, LinkRefusal::Changed);
        EXPECT_TRUE(entries(p.t.path("dup")).empty());
    }
    {
        test::TempTree t; // equal sizes and times, different bytes
        const auto a = t.createFile("a", "abcd", 1'600'000'000);
        const auto b = t.createFile("b", "abce", 1'600'000'000);
        EXPECT_EQ(platform::ReplaceByLink(seen(b), seen(a), LinkKind::Hard).refusal,
                  LinkRefusal::DifferentContent);
        expectUntouched(seen(b), "abce");
    }
    {
        test::TempTree t; // two names of one file
        const auto a = t.createFile("a", "x");
        ASSERT_EQ(::link(a.c_str(), t.path("b").c_str()), 0);
        EXPECT_EQ(platform::ReplaceByLink(seen(t.path("b")), seen(a), LinkKind::Hard).refusal,
                  LinkRefusal::SameFile);
        expectUntouched(seen(t.path("b")), "x");
    }
}

TEST(ReplaceByLink, AChangeWhileTheLinkIsMadeLeavesTheChangedFileAndNoTemporary)
{
    Pair p;
    const auto k = seen(p.keeper), c = seen(p.copy);
    std::string temporary;
    platform::SetLinkMadeHook([&](const std::string &temp) {
        temporary = temp;
        std::ofstream(p.copy, std::ios::app) << " and more, written meanwhile";
    });
    const auto r = platform::ReplaceByLink(c, k, LinkKind::Hard);
    platform::SetLinkMadeHook({});
    EXPECT_EQ(r.refusal, LinkRefusal::Changed);
    EXPECT_EQ(temporary.rfind(p.t.path("dup/"), 0), 0u); // made in the file's own folder
    EXPECT_EQ(slurp(p.copy), "the same bytes and more, written meanwhile");
    EXPECT_EQ(entries(p.t.path("dup")), std::vector<std::string>{"copy"});
    EXPECT_EQ(lstatOf(p.keeper).st_nlink, 1u);
}

TEST(ReplaceByLink, HardLinksAcrossFileSystemsAreRefused)
{
    test::TempTree t;
    const std::string other = "/dev/shm/twinly-link-test-" + std::to_string(::getpid());
    {
        std::ofstream(other, std::ios::binary) << "across";
    }
    const auto copy = t.createFile("copy", "across");
    const auto k = seen(other), c = seen(copy);
    if (k.device == c.device) {
        ::unlink(other.c_str());
        GTEST_SKIP() << "/dev/shm is on the same file system";
    }
    EXPECT_EQ(platform::ReplaceByLink(c, k, LinkKind::Hard).refusal, LinkRefusal::CrossDevice);
    expectUntouched(c, "across");
    // A symbolic link may cross.
    EXPECT_TRUE(platform::ReplaceByLink(c, k, LinkKind::Symbolic).ok);
    ::unlink(other.c_str());
}

TEST(ReplaceByLink, AFolderTheUserCannotWriteLeavesTheOriginal)
{
    Pair p;
    ::chmod(p.t.root().c_str(), 0755);
    ::chmod(p.t.path("keep").c_str(), 0755);
    ::chmod(p.t.path("dup").c_str(), 0555);
    ::chmod(p.keeper.c_str(), 0644);
    ::chmod(p.copy.c_str(), 0644);
    const auto k = seen(p.keeper), c = seen(p.copy);
    for (LinkKind kind : {LinkKind::Hard, LinkKind::Symbolic, LinkKind::Reflink}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            const auto r = platform::ReplaceByLink(c, k, kind);
            ::_exit(r.ok ? 0 : r.refusal == LinkRefusal::None ? 4 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1) << static_cast<int>(kind);
        expectUntouched(c, "the same bytes");
        EXPECT_EQ(entries(p.t.path("dup")), std::vector<std::string>{"copy"});
    }
    ::chmod(p.t.path("dup").c_str(), 0755);
}

TEST(ReplaceByLink, ReflinkIsRefusedWhereBlocksCannotBeShared)
{
    for (const char *base : {"/tmp", "/dev/shm"}) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "%s/twinly-reflink-XXXXXX", base);
        ASSERT_NE(::mkdtemp(folder), nullptr);
        const std::string a = std::string(folder) + "/a", b = std::string(folder) + "/b";
        std::ofstream(a, std::ios::binary) << "clone me";
        std::ofstream(b, std::ios::binary) << "clone me";
        const auto r = platform::ReplaceByLink(seen(b), seen(a), LinkKind::Reflink);
        EXPECT_EQ(r.refusal, LinkRefusal::NotSupported) << base << ": " << r.error;
        expectUntouched(seen(b), "clone me");
        EXPECT_EQ(entries(folder), (std::vector<std::string>{"a", "b"})) << base;
        ::unlink(a.c_str());
        ::unlink(b.c_str());
        ::rmdir(folder);
    }
}

// A small btrfs (or XFS) image mounted through a loop device, where one can be made.
class SharingFileSystem {
public:
    SharingFileSystem()
    {
        for (const char *kind : {"btrfs", "xfs"}) {
            const std::string image = m_tree.path(std::string(kind) + ".img");
            const std::string mkfs = std::string("mkfs.") + kind;
            const std::string size = std::string(kind) == "xfs" ? "320M" : "160M";
            const std::string make = "truncate -s " + size + " '" + image + "' && " + mkfs +
                                     " -q '" + image + "' >/dev/null 2>&1 && mount -o loop '" +
                                     image + "' '" + m_tree.createDir("mnt") + "' 2>/dev/null";
            if (std::system(make.c_str()) == 0) {
                m_mounted = m_tree.path("mnt");
                return;
            }
            ::unlink(image.c_str());
        }
    }
    ~SharingFileSystem()
    {
        if (!m_mounted.empty())
            ::umount2(m_mounted.c_str(), MNT_DETACH);
    }
    const std::string &folder() const { return m_mounted; }

private:
    test::TempTree m_tree;
    std::string m_mounted;
};

TEST(ReplaceByLink, ReflinkCloneTakesTheReplacedFilesOwnerModeAndTimes)
{
    SharingFileSystem fs;
    if (fs.folder().empty())
        GTEST_SKIP() << "no btrfs or XFS image can be made and mounted here";
    const std::string a = fs.folder() + "/a", b = fs.folder() + "/b";
    const std::string content(200'000, 'q');
    std::ofstream(a, std::ios::binary) << content;
    std::ofstream(b, std::ios::binary) << content;
    ASSERT_EQ(::chown(b.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(b.c_str(), 0640), 0);
    const struct timespec times[2] = {{1'500'000'000, 5}, {1'600'000'000, 123'456'789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, b.c_str(), times, 0), 0);
    const auto before = seen(b), keeper = seen(a);
    const auto r = platform::ReplaceByLink(before, keeper, LinkKind::Reflink);
    ASSERT_TRUE(r.ok) << r.error;
    const struct stat now = lstatOf(b);
    EXPECT_NE(static_cast<std::uint64_t>(now.st_ino), before.inode); // a new file ...
    EXPECT_NE(static_cast<std::uint64_t>(now.st_ino), keeper.inode); // ... not the keeper
    EXPECT_EQ(now.st_uid, 65534u);
    EXPECT_EQ(now.st_mode & 07777, 0640u);
    EXPECT_EQ(now.st_mtim.tv_sec, 1'600'000'000);
    EXPECT_EQ(now.st_mtim.tv_nsec, 123'456'789);
    EXPECT_EQ(slurp(b), content);
    EXPECT_EQ(entries(fs.folder()), (std::vector<std::string>{"a", "b"}));
}
