// SPDX-License-Identifier: GPL-3.0-or-later
#include "last_copy.h"
#include "scanner.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>

using namespace twinly;

namespace {

// The records a content search over the tree makes, by path.
std::map<std::string, TFileData> searched(const test::TempTree &t)
{
    SearchOptions o;
    o.Folders = {t.root()};
    ScanProgress progress;
    SearchResult r = RunSearch(o, {}, progress, std::stop_source().get_token());
    std::map<std::string, TFileData> out;
    for (TFileData &d : r.FileList)
        out.emplace(d.FullName, std::move(d));
    return out;
}

void setTimes(const std::string &path, std::time_t sec, long nsec)
{
    const timespec times[2] = {{sec, nsec}, {sec, nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

} // namespace

TEST(CheckSinceSearch, OnlyTheVeryFileTheSearchFoundIsUnchanged)
{
    test::TempTree t;
    const std::string same = t.createFile("same", "12345678");
    const std::string rewritten = t.createFile("rewritten", "12345678");
    const std::string renamedOver = t.createFile("renamed-over", "12345678");
    const std::string vanished = t.createFile("vanished", "12345678");
    const std::string folderGone = t.createFile("sub/file", "12345678");
    const std::string linked = t.createFile("linked", "12345678");
    for (const auto &p : {same, rewritten, renamedOver, vanished, folderGone, linked})
        setTimes(p, 1600000000, 500);
    auto records = searched(t);
    ASSERT_EQ(records.size(), 6u);

    // Same size, and a time that differs only below the second (the packed time cannot tell).
    t.createFile("rewritten", "87654321");
    setTimes(rewritten, 1600000000, 501);
    // Another file of the same size and times takes the name: another inode.
    const std::string other = t.createFile("other", "12345678");
    setTimes(other, 1600000000, 500);
    ASSERT_EQ(std::rename(other.c_str(), renamedOver.c_str()), 0);
    ASSERT_EQ(::unlink(vanished.c_str()), 0);
    ASSERT_EQ(::unlink(folderGone.c_str()), 0);
    ASSERT_EQ(::rmdir(t.path("sub").c_str()), 0);
    // A link to an unchanged copy in the file's place is not the file.
    const std::string keep = t.path("kept");
    ASSERT_EQ(std::rename(linked.c_str(), keep.c_str()), 0);
    ASSERT_EQ(::symlink(keep.c_str(), linked.c_str()), 0);

    EXPECT_EQ(CheckSinceSearch(records.at(same)), FileState::Unchanged);
    EXPECT_EQ(CheckSinceSearch(records.at(rewritten)), FileState::Changed);
    EXPECT_EQ(CheckSinceSearch(records.at(renamedOver)), FileState::Changed);
    EXPECT_EQ(CheckSinceSearch(records.at(vanished)), FileState::Gone);
    EXPECT_EQ(CheckSinceSearch(records.at(folderGone)), FileState::Gone);
    EXPECT_EQ(CheckSinceSearch(records.at(linked)), FileState::Changed);

    // A folder in the file's place; a record that never had an identity; a database entry.
    ASSERT_EQ(::unlink(same.c_str()), 0);
    ASSERT_EQ(::mkdir(same.c_str(), 0700), 0);
    EXPECT_EQ(CheckSinceSearch(records.at(same)), FileState::Changed);
    TFileData byHand = TFileData::onDisk(t.root(), "kept", 8, 0);
    EXPECT_EQ(CheckSinceSearch(byHand), FileState::Changed);
    EXPECT_EQ(CheckSinceSearch(TFileData::databaseEntry(8, 1, 0)), FileState::Changed);
}

TEST(CheckSinceSearch, AFileThatCannotBeLookedAtIsNotVouchedFor)
{
    test::TempTree t;
    const std::string f = t.createFile("locked/f", "x");
    t.createFile("copy", "x");
    auto records = searched(t);
    const TFileData &record = records.at(f);
    ASSERT_EQ(::chmod(t.path("locked").c_str(), 0), 0);
    if (test::permissionsAreBypassed()) {
        // Root looks through the lock; the unprivileged case runs in a child that drops to
        // "nobody", whose lookups of this folder fail.
        ASSERT_EQ(::chmod(t.root().c_str(), 0755), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            ::_exit(CheckSinceSearch(record) == FileState::Changed ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    } else {
        EXPECT_EQ(CheckSinceSearch(record), FileState::Changed);
    }
}

namespace {

// Files stand in a table instead of on disk: path -> what a look at it finds.
struct Disk {
    std::map<std::string, platform::FileIdentity> files;
    std::uint64_t nextInode = 100;

    TFileData file(const std::string &path)
    {
        platform::FileIdentity id;
        id.kind = platform::FileIdentity::Kind::Regular;
        id.Device = 1;
        id.Inode = nextInode++;
        id.Size = 10;
        id.MtimeNs = 42;
        files[path] = id;
        return recordOf(path);
    }
    TFileData recordOf(const std::string &path) const
    {
        const platform::FileIdentity &id = files.at(path);
        const auto slash = path.rfind('/');
        TFileData d = TFileData::onDisk(path.substr(0, slash), path.substr(slash + 1), id.Size, 0);
        d.Device = id.Device;
        d.Inode = id.Inode;
        d.MtimeNs = id.MtimeNs;
        return d;
    }
    IdentifyFn identify() const
    {
        return [this](const std::string &p) {
            const auto it = files.find(p);
            return it == files.end() ? platform::FileIdentity{} : it->second;
        };
    }
};

} // namespace

TEST(GroupsLosingLastCopy, AGroupKeepsOnlyAnUnchangedOtherFile)
{
    Disk disk;
    const TFileData a1 = disk.file("/a/1"), a2 = disk.file("/a/2");
    const TFileData b1 = disk.file("/b/1"), b2 = disk.file("/b/2"), b3 = disk.file("/b/3");
    const TFileData c1 = disk.file("/c/1"), c2 = disk.file("/c/2");
    const TFileData d1 = disk.file("/d/1"), d2 = disk.file("/d/2");
    const auto rows = [&](bool a2Leaves) {
        return std::vector<LastCopyRow>{
            {0, &a1, true},  {0, &a2, a2Leaves},                  // both copies leave, or one stays
            {1, &b1, true},  {1, &b2, false},    {1, &b3, false}, // one of two others will do
            {2, &c1, true},  {2, &c2, false},                     // the other copy is changed later
            {3, &d1, false}, {3, &d2, false},                     // nothing leaves: never reported
        };
    };
    EXPECT_EQ(GroupsLosingLastCopy(rows(false), {}, disk.identify()), std::vector<std::uint32_t>{});
    EXPECT_EQ(GroupsLosingLastCopy(rows(true), {}, disk.identify()), std::vector<std::uint32_t>{0});

    disk.files["/c/2"].MtimeNs += 1; // rewritten since the search
    disk.files.erase("/b/2");        // one other copy vanished: the third still counts
    disk.files.erase("/d/1");        // a group with nothing leaving stays out of it
    EXPECT_EQ(GroupsLosingLastCopy(rows(false), {}, disk.identify()),
              std::vector<std::uint32_t>{2});
    disk.files.erase("/b/3");
    EXPECT_EQ(GroupsLosingLastCopy(rows(true), {}, disk.identify()),
              (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(GroupsLosingLastCopy, ASecondNameOfALeavingFileIsNoCopy)
{
    Disk disk;
    const TFileData a = disk.file("/s/a"), c = disk.file("/p/c");
    disk.files["/t/a"] = disk.files["/s/a"]; // the same file reached by another path
    const TFileData alias = disk.recordOf("/t/a");
    const std::vector<LastCopyRow> rows{{7, &a, true}, {7, &alias, false}, {7, &c, true}};
    EXPECT_EQ(GroupsLosingLastCopy(rows, {}, disk.identify()), std::vector<std::uint32_t>{7});

    // The file leaves through a row of another group, not given here.
    const std::vector<LastCopyRow> other{{3, &alias, false}, {3, &c, true}};
    EXPECT_EQ(GroupsLosingLastCopy(other, {}, disk.identify()), std::vector<std::uint32_t>{});
    EXPECT_EQ(GroupsLosingLastCopy(other, FileKeySet{KeyOf(a)}, disk.identify()),
              std::vector<std::uint32_t>{3});
}

TEST(GroupsLosingLastCopy, ADatabaseEntryIsNoKeptCopy)
{
    Disk disk;
    const TFileData f = disk.file("/f");
    const TFileData entry = TFileData::databaseEntry(10, 5, 0);
    const std::vector<LastCopyRow> rows{{0, &entry, false}, {0, &f, true}};
    EXPECT_EQ(GroupsLosingLastCopy(rows, {}, disk.identify()), std::vector<std::uint32_t>{0});
    // A database entry "leaving" takes no file away.
    const std::vector<LastCopyRow> entryOnly{{0, &entry, true}, {0, &f, false}};
    EXPECT_EQ(GroupsLosingLastCopy(entryOnly, {}, disk.identify()), std::vector<std::uint32_t>{});
}

TEST(GroupsLosingLastCopy, LeavingFilesThatChangedTakeNothingAway)
{
    Disk disk;
    const TFileData a = disk.file("/a"), b = disk.file("/b"), c = disk.file("/c");
    // Rows of one group need not stand together.
    const std::vector<LastCopyRow> rows{{4, &a, true}, {9, &c, false}, {4, &b, true}};
    disk.files["/a"].Size = 11;
    disk.files.erase("/b");
    // Every delete refuses both files: the group keeps what it has.
    EXPECT_EQ(GroupsLosingLastCopy(rows, {}, disk.identify()), std::vector<std::uint32_t>{});
    disk.files["/a"].Size = 10;
    EXPECT_EQ(GroupsLosingLastCopy(rows, {}, disk.identify()), std::vector<std::uint32_t>{4});
}
