// SPDX-License-Identifier: GPL-3.0-or-later
#include "grouping.h"
#include "reference_grouping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

using namespace twinly;

namespace {

// Records are told apart in the results by a tag kept in the signature, which the grouping
// switches used here never look at.
TFileData tagged(TFileData d, int tag)
{
    d.Signature = std::make_unique<ImageSignature>();
    d.Signature->ResizedSize = tag;
    return d;
}

int tagOf(const TFileData &d)
{
    return d.Signature ? d.Signature->ResizedSize : -1;
}

TFileData file(std::string_view dir, std::string_view name, std::int64_t size, DosTime time = 0,
               std::optional<std::uint32_t> crc = std::nullopt, std::uint64_t hash = 0)
{
    TFileData d = TFileData::onDisk(dir, name, size, time);
    if (crc) {
        d.CRC = *crc;
        d.CrcKnown = true;
        d.Hash = {hash, ~hash};
    }
    return d;
}

std::vector<std::vector<int>> tagsOf(const GroupList &groups)
{
    std::vector<std::vector<int>> out;
    for (const auto &g : groups) {
        out.emplace_back();
        for (const TFileData &d : g)
            out.back().push_back(tagOf(d));
    }
    return out;
}

std::vector<std::vector<int>> group(FileList list, const MatchSwitches &sw)
{
    ScanProgress progress;
    double kb = 0;
    GroupList groups;
    EXPECT_TRUE(GroupFiles(list, groups, sw, {progress, {}, kb}));
    EXPECT_TRUE(list.empty());
    return tagsOf(groups);
}

template<typename... Records> FileList tagAll(Records &&...records)
{
    FileList list;
    int tag = 0;
    (list.push_back(tagged(std::forward<Records>(records), tag++)), ...);
    return list;
}

MatchSwitches contentOnly()
{
    MatchSwitches sw;
    sw.IgnoreSize = false;
    sw.IgnoreDate = true;
    sw.IgnoreNames = true;
    sw.CompareContent = true;
    return sw;
}

// A random record set rich in the cases that make matching non-transitive: equal names in the
// same and in other folders, database entries, sizes equal only in their low 32 bits, unread
// files, CRCs that agree while the strong hashes do not.
FileList randomRecords(std::mt19937 &rng, int count)
{
    static const char *dirs[] = {"/a", "/b", "/c", ""};
    static const char *names[] = {"x", "y", "X"};
    static const std::int64_t sizes[] = {0, 5, 7, 0x1'0000'0005};
    FileList list;
    for (int i = 0; i < count; ++i) {
        TFileData d;
        const auto size = sizes[rng() % 4];
        const std::uint32_t crc = rng() % 3;
        if (rng() % 6 == 0) {
            d = TFileData::databaseEntry(static_cast<std::int32_t>(size), crc, 77);
        } else {
            d = file(dirs[rng() % 4], names[rng() % 3], size, rng() % 2 + 1);
            if (rng() % 8 != 0) {
                d.CrcKnown = true;
                d.CRC = crc;
                d.Hash = {rng() % 3 == 0 ? 1u : 0u, 0};
            }
        }
        list.push_back(tagged(std::move(d), i));
    }
    return list;
}

} // namespace

TEST(GroupFiles, SameOutcomeAsThePivotLoopOnRandomRecordSets)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 400; ++round) {
        const int count = static_cast<int>(rng() % 40);
        const unsigned seed = rng();
        for (int bits = 0; bits < 16; ++bits) {
            MatchSwitches sw;
            sw.IgnoreSize = bits & 1;
            sw.IgnoreDate = bits & 2;
            sw.IgnoreNames = bits & 4;
            sw.CompareContent = bits & 8;
            std::mt19937 a(seed), b(seed);
            FileList fast = randomRecords(a, count), slow = randomRecords(b, count);
            GroupList expected;
            test::ReferenceGroupFiles(slow, expected, sw);
            ASSERT_EQ(group(std::move(fast), sw), tagsOf(expected))
                << "round " << round << " switches " << bits;
        }
    }
}

TEST(GroupFiles, ThousandsOfRecordsInManySmallBucketsGroupAsThePivotLoopDoes)
{
    // Enough records that the keys are sorted in parts and most records are left over, so that
    // the grouped ones are moved around the holes of the freed: sizes spread wide, a few
    // hundred groups among thousands of files that match nothing, and buckets of every size.
    std::mt19937 rng(2024);
    for (const int count : {4096, 7000}) {
        const unsigned seed = rng();
        auto records = [&] {
            std::mt19937 r(seed);
            FileList list;
            for (int i = 0; i < count; ++i) {
                const std::int64_t size = r() % 8 == 0 ? r() % 40 : 1000 + r() % 20000;
                TFileData d = file(r() % 2 ? "/a" : "/b", "f" + std::to_string(i), size, 0);
                if (r() % 10 != 0) {
                    d.CrcKnown = true;
                    d.CRC = r() % 2;
                }
                list.push_back(tagged(std::move(d), i));
            }
            return list;
        };
        for (const bool content : {false, true}) {
            MatchSwitches sw = contentOnly();
            sw.CompareContent = content;
            FileList slow = records();
            GroupList expected;
            test::ReferenceGroupFiles(slow, expected, sw);
            ASSERT_GT(expected.size(), 100u);
            ASSERT_EQ(group(records(), sw), tagsOf(expected))
                << count << " records, content " << content;
        }
    }
}

TEST(GroupFiles, AHundredThousandRecordsGroupAsTheirSizesSay)
{
    // Enough records in buckets for the buckets to be shared between threads, nearly all in
    // buckets of a few hundred, so that halfway through the keys lies inside one. With sizes alone
    // compared and every record another file, matching is plain equality of sizes, so the
    // pivot loop's outcome is known without running it: a group per size held twice or more,
    // in the order of the size's first record, members in list order and that first one last.
    std::mt19937 rng(77);
    constexpr int kCount = 100'000;
    FileList list;
    std::map<std::int64_t, std::vector<int>> bySize;
    std::vector<std::int64_t> firstSeen;
    for (int i = 0; i < kCount; ++i) {
        const std::int64_t size = rng() % 50 != 0 ? rng() % 500 : 10'000 + rng() % 200'000;
        auto &tags = bySize[size];
        if (tags.empty())
            firstSeen.push_back(size);
        tags.push_back(i);
        list.push_back(
            tagged(file("/d" + std::to_string(i % 97), "f" + std::to_string(i), size), i));
    }
    std::vector<std::vector<int>> expected;
    for (const std::int64_t size : firstSeen) {
        std::vector<int> tags = bySize[size];
        if (tags.size() < 2)
            continue;
        std::rotate(tags.begin(), tags.begin() + 1, tags.end());
        expected.push_back(tags);
    }
    MatchSwitches sizes = contentOnly();
    sizes.CompareContent = false;
    FileList copy;
    for (const TFileData &d : list)
        copy.push_back(tagged(file(d.DirName(), d.FileName(), d.FileSize), tagOf(d)));
    EXPECT_EQ(group(std::move(copy), sizes), expected);

    // Stopped: no outcome.
    ScanProgress progress;
    double kb = 0;
    GroupList groups;
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(GroupFiles(list, groups, sizes, {progress, stop.get_token(), kb}));
}

TEST(GroupFiles, FullPipelineOrderMatchesTheReference)
{
    // Pass 1 on the cheap keys, flatten (pivot first), pass 2 with content, lay out with bands.
    std::mt19937 rng(99);
    for (int round = 0; round < 200; ++round) {
        const int count = static_cast<int>(rng() % 60);
        const unsigned seed = rng();
        MatchSwitches sw = contentOnly();
        sw.IgnoreDate = rng() % 2;
        sw.IgnoreNames = rng() % 2;
        MatchSwitches cheap = sw;
        cheap.CompareContent = false;

        auto run = [&](bool reference) {
            std::mt19937 r(seed);
            FileList list = randomRecords(r, count);
            GroupList groups;
            ScanProgress progress;
            double kb = 0;
            auto pass = [&](const MatchSwitches &s) {
                if (reference)
                    test::ReferenceGroupFiles(list, groups, s);
                else
                    EXPECT_TRUE(GroupFiles(list, groups, s, {progress, {}, kb}));
            };
            pass(cheap);
            EXPECT_TRUE(FlattenGroups(list, groups, {}));
            pass(sw);
            RowBand bands;
            LayOutGroups(list, groups, bands);
            std::vector<std::pair<int, int>> rows;
            for (std::size_t i = 0; i < list.size(); ++i)
                rows.emplace_back(tagOf(list[i]), bands[i]);
            return rows;
        };
        ASSERT_EQ(run(false), run(true)) << "round " << round;
    }
}

TEST(GroupFiles, CopiesInTwoFoldersGroupAndADifferentFileOfTheSameSizeDoesNot)
{
    const auto groups =
        group(tagAll(file("/a", "p.jpg", 10, 1, 42, 1), file("/b", "q.jpg", 10, 2, 42, 1),
                     file("/c", "r.jpg", 10, 3, 43, 2)),
              contentOnly());
    EXPECT_EQ(groups, (std::vector<std::vector<int>>{{1, 0}})); // pivot last
}

TEST(GroupFiles, NamesMustBeEqualInDifferentFoldersCaseCounting)
{
    MatchSwitches sw;
    sw.IgnoreNames = false;
    sw.CompareContent = false;
    // The same file reached twice through overlapping folders does not match itself.
    EXPECT_TRUE(group(tagAll(file("/a", "x", 1), file("/a", "x", 1)), sw).empty());
    EXPECT_EQ(group(tagAll(file("/a", "x", 1), file("/b", "x", 1)), sw).size(), 1u);
    EXPECT_TRUE(group(tagAll(file("/a", "x", 1), file("/b", "X", 1)), sw).empty());
    // With names ignored it still is no copy of itself: deleting one row would lose the file.
    sw.IgnoreNames = true;
    EXPECT_TRUE(group(tagAll(file("/a", "x", 1), file("/a", "x", 1)), sw).empty());
    // A real copy found beside it still groups, with one of the two rows of the file.
    EXPECT_EQ(group(tagAll(file("/a", "x", 1), file("/a", "x", 1), file("/b", "y", 1)), sw),
              (std::vector<std::vector<int>>{{2, 0}}));
}

TEST(GroupFiles, SizeAloneGroupsAllFilesOfEqualSize)
{
    MatchSwitches sw;
    sw.CompareContent = false;
    const auto groups = group(
        tagAll(file("/a", "1", 5), file("/a", "2", 6), file("/b", "3", 5), file("/c", "4", 5)), sw);
    EXPECT_EQ(groups, (std::vector<std::vector<int>>{{2, 3, 0}}));
}

TEST(GroupFiles, SingleRecordOrNoneGivesNoGroup)
{
    EXPECT_TRUE(group(tagAll(file("/a", "1", 5)), contentOnly()).empty());
    EXPECT_TRUE(group(FileList{}, contentOnly()).empty());
}

TEST(GroupFiles, UnreadFilesMatchNothingByContentButEmptyFilesMatchEachOther)
{
    TFileData unread = file("/a", "u", 0);
    const auto groups =
        group(tagAll(std::move(unread), file("/b", "e1", 0, 0, 0, 9), file("/c", "e2", 0, 0, 0, 9)),
              contentOnly());
    EXPECT_EQ(groups, (std::vector<std::vector<int>>{{2, 1}}));
}

TEST(GroupFiles, EqualCrcWithDifferentStrongHashIsNoDuplicate)
{
    EXPECT_TRUE(
        group(tagAll(file("/a", "1", 8, 0, 5, 1), file("/b", "2", 8, 0, 5, 2)), contentOnly())
            .empty());
}

TEST(GroupFiles, DatabaseEntriesMatchOnLowSizeBitsAndCrc)
{
    // Two databases holding the same pair group even with no file on disk.
    EXPECT_EQ(group(tagAll(TFileData::databaseEntry(5, 7, 1), TFileData::databaseEntry(5, 7, 2)),
                    contentOnly())
                  .size(),
              1u);
    // A database entry knows only the low 32 bits of a size: a 4 GiB + 5 file matches it, and a
    // database entry matches files whose strong hashes differ.
    const auto groups =
        group(tagAll(TFileData::databaseEntry(5, 7, 1), file("/a", "big", 0x1'0000'0005, 0, 7, 1),
                     file("/b", "small", 5, 0, 7, 2)),
              contentOnly());
    EXPECT_EQ(groups, (std::vector<std::vector<int>>{{1, 2, 0}}));
}

TEST(GroupFiles, DroppedFilesOnDiskLowerTheTotal)
{
    ScanProgress progress;
    double kb = 10;
    GroupList groups;
    FileList list = tagAll(file("/a", "1", 2048, 0, 1, 1), file("/b", "2", 1024, 0, 1, 1),
                           file("/c", "3", 1024, 0, 1, 1), TFileData::databaseEntry(4096, 3, 0));
    ASSERT_TRUE(GroupFiles(list, groups, contentOnly(), {progress, {}, kb}));
    EXPECT_DOUBLE_EQ(kb, 8); // the 2 KiB file left; the database entry never counted
}

TEST(GroupFiles, StopsWhenAsked)
{
    ScanProgress progress;
    double kb = 0;
    GroupList groups;
    std::stop_source stop;
    stop.request_stop();
    FileList list = tagAll(file("/a", "1", 1, 0, 1, 1), file("/b", "2", 1, 0, 1, 1));
    EXPECT_FALSE(GroupFiles(list, groups, contentOnly(), {progress, stop.get_token(), kb}));
}

TEST(GroupFiles, OneLargeBucketOfUnmatchedRecordsHearsStopAndMovesTheGauge)
{
    // Every record shares the cheap keys, no two are alike: one bucket, a pivot per record, and
    // no group ever forms.
    constexpr std::size_t n = 5000;
    FileList records;
    for (std::size_t i = 0; i < n; ++i)
        records.push_back(file("/d", "p" + std::to_string(i), 100));
    const std::size_t allTests = n * (n - 1) / 2;
    const std::size_t tailRecords = 150; // fewer than the candidates tested between two polls
    const std::size_t stopAt = allTests - tailRecords * (tailRecords - 1) / 2 + 1;

    ScanProgress progress;
    std::stop_source stop;
    std::size_t calls = 0;
    int gaugeHalfway = -1;
    MatchSwitches sw;
    sw.CompareContent = false;
    sw.Visual = true;
    sw.ImagesAlike = [&](const TFileData &, const TFileData &) {
        ++calls;
        if (calls == allTests / 2)
            gaugeHalfway = progress.snapshot().gauge;
        if (calls == stopAt)
            stop.request_stop();
        return false;
    };
    double kb = 0;
    GroupList groups;
    FileList list;
    for (const TFileData &d : records)
        list.push_back(file("/d", d.FileName(), d.FileSize));
    EXPECT_FALSE(GroupFiles(list, groups, sw, {progress, stop.get_token(), kb}));
    EXPECT_LT(calls - stopAt, tailRecords) << "went on testing after the stop";
    EXPECT_GT(gaugeHalfway, 0);
    EXPECT_LT(gaugeHalfway, 100);

    // Asked before the pass begins: no test is made at all.
    calls = 0;
    list = std::move(records);
    std::stop_source early;
    early.request_stop();
    EXPECT_FALSE(GroupFiles(list, groups, sw, {progress, early.get_token(), kb}));
    EXPECT_EQ(calls, 0u);
    EXPECT_TRUE(groups.empty());
}

TEST(LayOutGroups, BandsAlternateStartingWithOne)
{
    GroupList groups;
    for (int g = 0; g < 3; ++g) {
        Group group;
        for (int m = 0; m < g + 2; ++m)
            group.push_back(tagged(file("/a", "f", 1), g * 10 + m));
        groups.push_back(std::move(group));
    }
    FileList list;
    RowBand bands;
    LayOutGroups(list, groups, bands);
    EXPECT_EQ(bands, (RowBand{1, 1, 0, 0, 0, 1, 1, 1, 1}));
    EXPECT_EQ(tagOf(list[2]), 10);
    EXPECT_TRUE(groups.empty());
}

TEST(FlattenGroups, PivotComesFirst)
{
    GroupList groups;
    Group g;
    for (int m = 0; m < 3; ++m)
        g.push_back(tagged(file("/a", "f", 1), m));
    groups.push_back(std::move(g));
    FileList list = tagAll(file("/x", "leftover", 1));
    ASSERT_TRUE(FlattenGroups(list, groups, {}));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(tagOf(list[0]), 2);
    EXPECT_EQ(tagOf(list[2]), 0);
}
