// SPDX-License-Identifier: GPL-3.0-or-later
// A file is its device and inode: however many texts reach it (overlapping folders, links,
// "." and ".." in a folder, hard links), it is one file, and it is never its own duplicate.
// And what a search reads of a file is what the walk saw: no more than its size, and nothing
// of a file that changed or was replaced since.
#include "crc.h"
#include "crc_db.h"
#include "grouping.h"
#include "reference_grouping.h"
#include "scanner.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

using namespace twinly;

namespace {

SearchResult search(std::vector<std::string> folders, bool ignoreNames = true,
                    std::function<void(Phase)> atPhase = {})
{
    SearchOptions o;
    o.Folders = std::move(folders);
    o.IgnoreNames = ignoreNames;
    ScanProgress progress;
    if (atPhase)
        progress.setPhaseObserver(atPhase);
    return RunSearch(o, {}, progress, {});
}

// Every group of the result, as the set of files (device, inode) its rows name; fails when a
// group names one file twice.
std::vector<std::multiset<std::pair<std::uint64_t, std::uint64_t>>> groupsOf(const SearchResult &r)
{
    std::vector<std::multiset<std::pair<std::uint64_t, std::uint64_t>>> groups;
    for (std::size_t i = 0; i < r.FileList.size(); ++i) {
        if (i == 0 || r.RowBand[i] != r.RowBand[i - 1])
            groups.emplace_back();
        groups.back().insert({r.FileList[i].Device, r.FileList[i].Inode});
    }
    return groups;
}

void expectEachFileOnce(const SearchResult &r)
{
    for (const auto &g : groupsOf(r))
        for (const auto &id : g)
            EXPECT_EQ(g.count(id), 1u) << "a group names one file twice";
}

} // namespace

TEST(FileIdentity, TheWalkRecordsDeviceInodeAndNanosecondTimes)
{
    test::TempTree t;
    t.createFile("a", "x");
    SearchOptions o;
    o.Folders = {t.root()};
    o.FindDuplicates = false;
    ScanProgress progress;
    const SearchResult r = RunSearch(o, {}, progress, {});
    ASSERT_EQ(r.FileList.size(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(t.path("a").c_str(), &st), 0);
    const TFileData &d = r.FileList[0];
    EXPECT_EQ(d.Device, st.st_dev);
    EXPECT_EQ(d.Inode, st.st_ino);
    EXPECT_EQ(d.MtimeNs, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec);
    EXPECT_EQ(d.CtimeNs, st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec);
}

// Each way of reaching one file twice; the file's only copy must never show as a duplicate.
TEST(FileIdentity, OneFileReachedTwiceIsNoDuplicateOfItself)
{
    test::TempTree t;
    t.createFile("ov/sub/only", "the only copy");
    t.createFile("ov/alone", "another only copy");
    t.symlink(t.path("ov"), "link-to-ov");
    ASSERT_EQ(::link(t.path("ov/alone").c_str(), t.path("ov/hard").c_str()), 0);
    const std::string ov = t.path("ov");
    const std::vector<std::vector<std::string>> reaches = {
        {ov, ov},                   // one folder given twice
        {ov, ov + "/sub"},          // a folder and its subfolder
        {ov + "/sub", ov},          // ... in the other order
        {ov, t.path("link-to-ov")}, // a folder and a link to it
        {ov, t.root() + "/./ov"},   // "." in the text
        {ov, t.root() + "//ov/"},   // doubled and trailing separators
        {ov, ov + "/sub/../sub"},   // ".." in the text
        {ov},                       // hard links: "alone" and "hard" are one file
    };
    for (const auto &folders : reaches) {
        for (bool ignoreNames : {true, false}) {
            const SearchResult r = search(folders, ignoreNames);
            EXPECT_TRUE(r.FileList.empty())
                << folders.back() << ": " << r.FileList.size() << " rows, first "
                << (r.FileList.empty() ? "" : r.FileList[0].FullName);
        }
    }
}

TEST(FileIdentity, ARealCopyStillGroupsOnceWithAFileReachedTwice)
{
    test::TempTree t;
    t.createFile("ov/sub/f", "same content");
    t.createFile("ov/f", "same content");
    t.createFile("other/g", "same content");
    // "ov/sub" is walked twice; the group holds each of the three files once.
    const SearchResult r = search({t.path("ov"), t.path("ov/sub"), t.path("other")});
    const auto groups = groupsOf(r);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].size(), 3u);
    expectEachFileOnce(r);
}

TEST(FileIdentity, AFileChangedBetweenWalkAndReadGetsNoChecksum)
{
    test::TempTree t;
    t.createFile("a/x", "0123456789");
    t.createFile("b/x", "0123456789");
    t.createFile("a/y", "abcdefghij");
    t.createFile("b/y", "abcdefghij");
    t.createFile("a/z", "ABCDEFGHIJ");
    t.createFile("b/z", "ABCDEFGHIJ");
    const SearchResult r = search({t.root()}, true, [&](Phase p) {
        if (p != Phase::CalculatingCrc)
            return;
        std::ofstream(t.path("b/x"), std::ios::app) << "grown"; // more than the walk saw
        std::filesystem::resize_file(t.path("b/y"), 4);         // less
        t.createFile("tmp", "ABCDEFGHIJ");                      // another file in its place
        std::filesystem::rename(t.path("tmp"), t.path("b/z"));
    });
    // Every pair lost a member: nothing may show as a duplicate of content never compared.
    EXPECT_TRUE(r.FileList.empty()) << r.FileList.size() << " rows";
}

TEST(FileIdentity, ReadsStopAtTheSizeTheWalkSaw)
{
    test::TempTree t;
    const std::string path = t.createFile("f", std::string(3 << 20, 'q'));
    std::vector<std::byte> buffer(1 << 20);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    ExpectedFile e{st.st_size, st.st_dev, st.st_ino};
    const auto whole = FileDigest(path, buffer, {}, &e);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->bytes, std::uint64_t{3} << 20);
    EXPECT_EQ(whole->crc, FileDigest(path, buffer)->crc);
    e.size -= 1;
    EXPECT_FALSE(FileDigest(path, buffer, {}, &e));
    EXPECT_FALSE(FilePrefixHash(path, buffer, 4096, &e));
    e.size += 1;
    e.inode += 1; // some other file
    EXPECT_FALSE(FileDigest(path, buffer, {}, &e));
}

namespace {

// A chain of folders whose paths pass the system's limit, made through descriptors.
std::string makeLongChain(const std::string &top, std::size_t minLength)
{
    const std::string name(200, 'n');
    std::string path = top;
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (path.size() < minLength && fd >= 0) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = child;
        path += "/" + name;
    }
    for (const char *file : {"one", "two"}) {
        const int f = ::openat(fd, file, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        EXPECT_EQ(::write(f, "deep twins", 10), 10);
        ::close(f);
    }
    ::close(fd);
    return path;
}

} // namespace

TEST(FileIdentity, FilesBeyondThePathLimitGetTheirChecksum)
{
    test::TempTree t;
    const std::string deep = makeLongChain(t.root(), PATH_MAX + 300);
    ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
    const SearchResult r = search({t.root()});
    ASSERT_EQ(r.FileList.size(), 2u);
    for (const TFileData &d : r.FileList) {
        EXPECT_TRUE(d.CrcKnown);
        EXPECT_EQ(d.CRC, Crc32Of("deep twins", 10));
    }
    std::error_code ec;
    std::filesystem::remove_all(t.root() + "/" + std::string(200, 'n'), ec);
}

TEST(FileIdentity, APseudoFileSystemInsideAFolderIsNotWalked)
{
    test::TempTree t;
    t.createFile("mine", "x");
    const std::string mountPoint = t.createDir("proc");
    if (::mount("proc", mountPoint.c_str(), "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0)
        GTEST_SKIP() << "cannot mount a proc file system here";
    SearchOptions o;
    o.Folders = {t.root()};
    o.FindDuplicates = false;
    ScanProgress progress;
    const SearchResult r = RunSearch(o, {}, progress, {});
    ::umount2(mountPoint.c_str(), MNT_DETACH);
    ASSERT_EQ(r.FileList.size(), 1u);
    EXPECT_EQ(r.FileList[0].FileName(), "mine");
}

namespace {

FileList randomFiles(std::mt19937 &rng, int count)
{
    static const std::int64_t sizes[] = {0, 5, 7, 0x1'0000'0005};
    FileList list;
    for (int i = 0; i < count; ++i) {
        TFileData d = TFileData::onDisk("/d" + std::to_string(i % 3), "f" + std::to_string(i),
                                        sizes[rng() % 4], 1);
        d.CrcKnown = rng() % 8 != 0;
        d.CRC = d.CrcKnown ? rng() % 3 : 0;
        d.Inode = static_cast<std::uint64_t>(i + 1);
        list.push_back(std::move(d));
    }
    return list;
}

// The rows the pipeline (pass 1 on size, flatten, pass 2 on content, layout) gives.
std::vector<std::tuple<std::string, std::int64_t, std::uint32_t, int>> pipeline(FileList list)
{
    MatchSwitches sw;
    sw.IgnoreSize = false;
    MatchSwitches cheap = sw;
    cheap.CompareContent = false;
    GroupList groups;
    test::ReferenceGroupFiles(list, groups, cheap);
    EXPECT_TRUE(FlattenGroups(list, groups, {}));
    test::ReferenceGroupFiles(list, groups, sw);
    RowBand bands;
    LayOutGroups(list, groups, bands);
    std::vector<std::tuple<std::string, std::int64_t, std::uint32_t, int>> rows;
    for (std::size_t i = 0; i < list.size(); ++i)
        rows.emplace_back(list[i].FullName, list[i].FileSize, list[i].CRC, bands[i]);
    return rows;
}

} // namespace

// Database entries are held as bare pairs and only those that can meet a file become records;
// leaving the others out changes no row, no order and no band.
TEST(FileIdentity, LeavingOutUnusableDatabaseEntriesChangesNoRow)
{
    std::mt19937 rng(2024);
    static const std::int32_t sizes[] = {0, 5, 7, 9, 11};
    for (int round = 0; round < 300; ++round) {
        CrcDatabase db;
        const int entries = static_cast<int>(rng() % 12);
        for (int i = 0; i < entries; ++i)
            db.entries.push_back({sizes[rng() % 5], static_cast<std::uint32_t>(rng() % 3)});
        db.loadTimes.emplace_back(0, 77);
        const FileList files = randomFiles(rng, static_cast<int>(rng() % 20));
        SearchOptions o;
        o.IgnoreSize = false;

        auto withEntries = [&](FileList entries) {
            FileList list = std::move(entries);
            for (const TFileData &d : files) {
                TFileData copy = TFileData::onDisk(d.DirName(), d.FileName(), d.FileSize, 1);
                copy.CrcKnown = d.CrcKnown;
                copy.CRC = d.CRC;
                copy.Inode = d.Inode;
                list.push_back(std::move(copy));
            }
            return pipeline(std::move(list));
        };
        const FileList usable = UsableDatabaseEntries(db, files, o);
        EXPECT_LE(usable.size(), db.size());
        ASSERT_EQ(withEntries(UsableDatabaseEntries(db, files, o)), withEntries(db.records()))
            << "round " << round;
    }
}
