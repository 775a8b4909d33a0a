// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc_db.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>

using namespace twinly;

namespace {

std::string le32(std::uint32_t v)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return s;
}

TFileData fileWith(std::int64_t size, std::uint32_t crc, bool known = true)
{
    TFileData d = TFileData::onDisk("/x", "f", size, 0);
    d.CRC = crc;
    d.CrcKnown = known;
    return d;
}

} // namespace

TEST(SaveCRCDatabase, WritesCountAndPairsLittleEndian)
{
    test::TempTree tree;
    FileList list;
    list.push_back(fileWith(10, 0xCBF43926u));
    list.push_back(fileWith(0x1'0000'0005, 0x80000001u)); // only the low 32 bits of the size
    list.push_back(fileWith(-1 & 0xFFFFFFFF, 1));
    ASSERT_FALSE(SaveCRCDatabase(tree.path("a.twd"), list));
    const std::string expected = le32(3) + le32(10) + le32(0xCBF43926u) + le32(5) +
                                 le32(0x80000001u) + le32(0xFFFFFFFFu) + le32(1);
    EXPECT_EQ(tree.read("a.twd"), expected);
}

TEST(SaveCRCDatabase, EmptyListIsFourBytesAndLoadsNothing)
{
    test::TempTree tree;
    ASSERT_FALSE(SaveCRCDatabase(tree.path("e.twd"), {}));
    EXPECT_EQ(tree.read("e.twd"), le32(0));
    CrcDatabase db;
    EXPECT_FALSE(LoadCRCDatabase(tree.path("e.twd"), db));
    EXPECT_TRUE(db.empty());
}

TEST(SaveCRCDatabase, QuotesAroundTheNameAreDropped)
{
    test::TempTree tree;
    FileList list;
    list.push_back(fileWith(1, 2));
    ASSERT_FALSE(SaveCRCDatabase("\"" + tree.path("q.twd") + "\"", list));
    EXPECT_TRUE(std::filesystem::exists(tree.path("q.twd")));
    CrcDatabase loaded;
    EXPECT_FALSE(LoadCRCDatabase("\"" + tree.path("q.twd") + "\"", loaded));
    EXPECT_EQ(loaded.size(), 1u);
}

TEST(LoadCRCDatabase, EntriesBecomeOfflineRecordsAfterExistingOnes)
{
    test::TempTree tree;
    tree.createFile("d.twd", le32(2) + le32(5) + le32(0xFFFFFFFEu) + le32(0x80000000u) + le32(7));
    CrcDatabase db;
    db.entries.push_back({1, 1});
    ASSERT_FALSE(LoadCRCDatabase(tree.path("d.twd"), db));
    const FileList list = db.records();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].FileTime, 0u); // an entry of no load keeps no time
    const TFileData &e = list[1];
    EXPECT_FALSE(e.OnDisk);
    EXPECT_TRUE(e.CrcKnown);
    EXPECT_EQ(e.FullName, "Off line");
    EXPECT_EQ(e.FileName(), "Off line");
    EXPECT_EQ(e.DirName(), "Off line");
    EXPECT_EQ(e.FileSize, 5);
    EXPECT_EQ(e.CRC, 0xFFFFFFFEu);
    EXPECT_NE(e.FileTime, 0u); // the moment of loading
    EXPECT_FALSE(e.Signature);
    EXPECT_EQ(list[2].FileSize, -2147483648LL); // the field is signed
}

TEST(LoadCRCDatabase, DamagedFilesAddNothingAndSayWhichMessage)
{
    test::TempTree tree;
    const std::pair<const char *, std::string> damaged[] = {
        {"short.twd", "\x01\x00"},
        {"negative.twd", le32(0xFFFFFFFFu)},
        {"huge.twd", le32(0x7FFFFFFF) + le32(1) + le32(2)},
        {"truncated.twd", le32(2) + le32(1) + le32(2) + le32(3)},
    };
    for (const auto &[name, bytes] : damaged) {
        tree.createFile(name, bytes);
        CrcDatabase db;
        const auto error = LoadCRCDatabase(tree.path(name), db);
        ASSERT_TRUE(error) << name;
        EXPECT_EQ(error->key, "str1");
        EXPECT_EQ(error->text, "Error when reading CRC DB !");
        EXPECT_TRUE(db.empty()) << name;
    }
    CrcDatabase db;
    EXPECT_TRUE(LoadCRCDatabase(tree.path("missing.twd"), db));
    EXPECT_TRUE(LoadCRCDatabase(tree.root(), db)); // a folder
}

// A well-formed database larger than memory can hold is a reading error like any other, and
// what was loaded before it stays.
TEST(LoadCRCDatabase, MoreEntriesThanMemoryHoldsIsAReadingError)
{
    test::TempTree tree;
    tree.createFile("a.twd", le32(2) + le32(1) + le32(2) + le32(3) + le32(4));
    tree.createFile("b.twd", le32(3) + le32(5) + le32(6) + le32(7) + le32(8) + le32(9) + le32(10));
    CrcDatabase db;
    ASSERT_FALSE(LoadCRCDatabase(tree.path("a.twd"), db, 4));
    const auto error = LoadCRCDatabase(tree.path("b.twd"), db, 4);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->key, "str1");
    EXPECT_EQ(db.size(), 2u);
    EXPECT_GT(DefaultMaxDatabaseEntries(), std::size_t{1} << 20);
    static_assert(sizeof(CrcDbEntry) <= 8, "an entry is a bare pair");
}

// The user picked the file: a link to a database reads as the database.
TEST(LoadCRCDatabase, ALinkToADatabaseIsFollowed)
{
    test::TempTree tree;
    tree.createFile("real.twd", le32(1) + le32(3) + le32(4));
    std::filesystem::create_symlink(tree.path("real.twd"), tree.path("link.twd"));
    CrcDatabase db;
    EXPECT_FALSE(LoadCRCDatabase(tree.path("link.twd"), db));
    EXPECT_EQ(db.size(), 1u);
}

TEST(LoadCRCDatabases, OneMessagePerBadFileTheRestStillLoads)
{
    test::TempTree tree;
    tree.createFile("a.twd", le32(1) + le32(3) + le32(4));
    tree.createFile("b.twd", le32(1) + le32(3) + le32(4));
    CrcDatabase db;
    const auto errors =
        LoadCRCDatabases({tree.path("a.twd"), tree.path("none.twd"), tree.path("b.twd")}, db);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(db.size(), 2u);
}

TEST(RemoveRepeatedEntries, FirstOfEachPairSurvivesAndUnreadFilesGo)
{
    FileList list;
    list.push_back(fileWith(0, 0, /*known=*/false)); // unreadable empty file: no CRC to record
    list.push_back(fileWith(3, 9));
    list.push_back(fileWith(0, 0));
    list.push_back(fileWith(3, 9));
    list.push_back(fileWith(4, 9));
    list.push_back(fileWith(0, 0));
    list[1].FullName = "/first";
    RemoveRepeatedEntries(list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].FullName, "/first");
    EXPECT_EQ(list[1].FileSize, 0);
    EXPECT_TRUE(list[1].CrcKnown);
    EXPECT_EQ(list[2].FileSize, 4);
}

TEST(SaveCRCDatabase, FailedSaveLeavesTheEarlierDatabase)
{
    test::TempTree tree;
    const std::string dir = tree.createDir("small");
    // A 16 KiB file system that a large database cannot fit in: the disk-full case.
    const test::SmallFileSystem disk(dir, "16k");
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";

    FileList small;
    small.push_back(fileWith(1, 1));
    ASSERT_FALSE(SaveCRCDatabase(dir + "/db.twd", small));
    const std::string before = tree.read("small/db.twd");

    FileList large;
    for (int i = 0; i < 10000; ++i)
        large.push_back(fileWith(i, static_cast<std::uint32_t>(i)));
    const auto error = SaveCRCDatabase(dir + "/db.twd", large);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->text, "Error when saving CRC DB !");
    EXPECT_EQ(tree.read("small/db.twd"), before);
    // No temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(SaveCRCDatabase, UnwritableTargetGivesTheSavingMessage)
{
    test::TempTree tree;
    FileList list;
    const auto error = SaveCRCDatabase(tree.path("no/such/folder/x.twd"), list);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->key, "str1");
    EXPECT_EQ(error->text, "Error when saving CRC DB !");
}

TEST(SaveCRCDatabase, ALinkIsWrittenThroughAndANodeIsNeverReplaced)
{
    test::TempTree tree;
    FileList list;
    list.push_back(fileWith(7, 8));
    const std::string expected = le32(1) + le32(7) + le32(8);

    tree.createFile("discs/old.twd", "old");
    tree.symlink("discs/old.twd", "current.twd");
    ASSERT_FALSE(SaveCRCDatabase(tree.path("current.twd"), list));
    EXPECT_TRUE(std::filesystem::is_symlink(tree.path("current.twd")));
    EXPECT_EQ(tree.read("discs/old.twd"), expected);

    // The longest name a file can have.
    const std::string longest = std::string(251, 'd') + ".twd";
    ASSERT_FALSE(SaveCRCDatabase(tree.path(longest), list));
    EXPECT_EQ(tree.read(longest), expected);

    // A device node of our own, with the null device's numbers, a FIFO and a folder, each
    // named directly and through a link.
    tree.fifo("nodes/fifo");
    tree.createDir("nodes/folder");
    std::vector<std::string> nodes = {"fifo", "folder"};
    if (::mknod(tree.path("nodes/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        nodes.push_back("null");
    for (const std::string &node : nodes) {
        tree.symlink("nodes/" + node, node + ".twd");
        for (const std::string &name : {tree.path("nodes/" + node), tree.path(node + ".twd")}) {
            struct stat before {};
            ASSERT_EQ(::lstat(tree.path("nodes/" + node).c_str(), &before), 0);
            const auto error = SaveCRCDatabase(name, list);
            ASSERT_TRUE(error) << name;
            EXPECT_EQ(error->key, "str1");
            EXPECT_EQ(error->text, "Error when saving CRC DB !");
            struct stat after {};
            ASSERT_EQ(::lstat(tree.path("nodes/" + node).c_str(), &after), 0);
            EXPECT_EQ(after.st_ino, before.st_ino) << name;
            EXPECT_EQ(after.st_mode, before.st_mode) << name;
            EXPECT_EQ(after.st_rdev, before.st_rdev) << name;
        }
    }
    std::sort(nodes.begin(), nodes.end());
    std::vector<std::string> left;
    for (const auto &e : std::filesystem::directory_iterator(tree.path("nodes")))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, nodes);
}
