// SPDX-License-Identifier: GPL-3.0-or-later
// The counts a running search shows, and the totals its end is told by.
#include "crc.h"
#include "crc_db.h"
#include "output.h"
#include "scanner.h"
#include "temp_tree.h"
#include "totals.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace twinly;
using namespace std::chrono_literals;

namespace {

std::string blob(std::size_t n, char fill, char last)
{
    std::string s(n, fill);
    s.back() = last;
    return s;
}

struct Searched {
    SearchResult result;
    ScanProgress::Counts counts;
};

Searched search(const SearchOptions &o, CrcDatabase initial = {},
                std::function<void(Phase)> atPhase = {})
{
    ScanProgress progress;
    if (atPhase)
        progress.setPhaseObserver(atPhase);
    Searched r;
    r.result = RunSearch(o, std::move(initial), progress, {});
    r.counts = progress.counts();
    return r;
}

SearchOptions optionsFor(const std::string &folder)
{
    SearchOptions o;
    o.Folders = {folder};
    return o;
}

} // namespace

// Every kind of file the reading pass meets: alone with its size (never opened), small size
// mates (read whole), large size mates whose first blocks differ (their heads only) and large
// ones alike (head, then whole). Each file opened counts once, and the plan is what was read.
TEST(ScanProgress, CountsEveryFileFoundAndEveryFileAndByteRead)
{
    test::TempTree t;
    t.createFile("alone", "a size of its own");
    t.createFile("small/1", "tiny");
    t.createFile("small/2", "tiny");
    const std::size_t big = 64 * 1024;
    t.createFile("unlike/1", blob(big, 'x', '1'));
    t.createFile("unlike/2", blob(big, 'y', '2'));
    t.createFile("alike/1", blob(big + 1, 'z', 'z'));
    t.createFile("alike/2", blob(big + 1, 'z', 'z'));
    t.createFile("alike/3", blob(big + 1, 'z', 'z'));

    const Searched r = search(optionsFor(t.root()));
    EXPECT_EQ(r.counts.filesFound, 8u);
    EXPECT_TRUE(r.counts.reading);
    EXPECT_EQ(r.counts.filesToRead, 7u); // all but "alone"
    EXPECT_EQ(r.counts.filesRead, 7u);
    const std::uint64_t heads = 5 * kPrefixBlockSize;
    EXPECT_EQ(r.counts.bytesToRead, 2 * 4 + heads + 3 * (big + 1));
    EXPECT_EQ(r.counts.bytesRead, r.counts.bytesToRead);
    ASSERT_EQ(GroupCount(r.result), 2u);
    EXPECT_EQ(RedundantBytes(r.result), 4 + 2 * (big + 1));
}

// A file that is gone when its turn comes leaves the plan: the counts still end where they
// said they would.
TEST(ScanProgress, AFileGoneBeforeItsReadLeavesThePlan)
{
    test::TempTree t;
    for (const char *name : {"a", "b", "c"})
        t.createFile(name, blob(40 * 1024, 'q', 'q'));
    const Searched r = search(optionsFor(t.root()), {}, [&](Phase p) {
        if (p == Phase::CalculatingCrc)
            std::filesystem::remove(t.path("b"));
    });
    EXPECT_EQ(r.counts.filesRead, r.counts.filesToRead);
    EXPECT_EQ(r.counts.bytesRead, r.counts.bytesToRead);
    EXPECT_EQ(r.counts.bytesRead, 2 * (kPrefixBlockSize + 40 * 1024));
    EXPECT_EQ(RedundantBytes(r.result), 40u * 1024);
}

// Without content compared nothing is read, and a plain listing tells only what it found.
TEST(ScanProgress, SearchesThatReadNothingCountOnlyWhatTheyFound)
{
    test::TempTree t;
    t.createFile("x/same", "1");
    t.createFile("y/same", "22");
    SearchOptions o = optionsFor(t.root());
    o.CompareContent = false;
    o.IgnoreNames = false;
    o.IgnoreSize = true;
    Searched r = search(o);
    EXPECT_EQ(r.counts.filesFound, 2u);
    EXPECT_FALSE(r.counts.reading);
    EXPECT_EQ(cli::CountsText(r.counts, std::nullopt), "2 files found");
    ASSERT_EQ(GroupCount(r.result), 1u);
    // Sizes differ (names alike): keeping the larger frees the smaller.
    EXPECT_EQ(RedundantBytes(r.result), 1u);

    o.FindDuplicates = false;
    r = search(o);
    EXPECT_EQ(GroupCount(r.result), 2u);
    EXPECT_EQ(RedundantBytes(r.result), 0u);
}

// A copy known only from a database is no copy on disk: its group frees nothing unless two
// of its files are on disk.
TEST(RedundantBytes, CopiesKnownOnlyFromADatabaseFreeNothing)
{
    test::TempTree t;
    const std::string content = "recorded before";
    t.createFile("disk/one", content);
    t.createFile("pair/1", "a pair");
    t.createFile("pair/2", "a pair");
    FileList recorded;
    recorded.push_back(
        TFileData::onDisk(t.root(), "x", static_cast<std::int64_t>(content.size()), 0));
    recorded[0].CRC = Crc32Of(content.data(), content.size());
    recorded[0].CrcKnown = true;
    ASSERT_FALSE(SaveCRCDatabase(t.path("db.twd"), recorded));
    CrcDatabase initial;
    ASSERT_TRUE(LoadCRCDatabases({t.path("db.twd")}, initial).empty());
    const Searched r = search(optionsFor(t.root()), std::move(initial));
    EXPECT_EQ(GroupCount(r.result), 2u);
    EXPECT_EQ(RedundantBytes(r.result), 6u);
}

// The estimate waits for a pace worth the name, follows it, and ends with the reads.
TEST(ScanProgress, TimeLeftFollowsThePaceSinceThePlanSettled)
{
    ScanProgress p;
    const auto t0 = std::chrono::steady_clock::now();
    p.planRead(4, 4000);
    p.addRead(1000); // read while the plan still grew: not part of the pace
    EXPECT_FALSE(p.timeLeft(t0 + 10s));
    p.settleReadPlan(t0);
    p.addRead(1000);
    EXPECT_FALSE(p.timeLeft(t0 + 1s)) << "too early to tell";
    // 1000 bytes in 4 s, 2000 left.
    EXPECT_EQ(p.timeLeft(t0 + 4s), 8s);
    p.addRead(1000);
    p.addRead(1000);
    EXPECT_FALSE(p.timeLeft(t0 + 6s)) << "nothing left";
    const ScanProgress::Counts c = p.counts();
    EXPECT_EQ(c.filesRead, 4u);
    EXPECT_EQ(cli::CountsText(c, 75s), "4 of 4 files read, 3.9 kB of 3.9 kB, 1:15 left");

    ScanProgress stalled;
    stalled.planRead(1, 10);
    stalled.settleReadPlan(t0);
    EXPECT_FALSE(stalled.timeLeft(t0 + 60s)) << "no pace yet";
}

TEST(ProgressTexts, TimesAndSizesReadAsPeopleWriteThem)
{
    EXPECT_EQ(TimeLeftText(0s), "0:00");
    EXPECT_EQ(TimeLeftText(42s), "0:42");
    EXPECT_EQ(TimeLeftText(12min + 5s), "12:05");
    EXPECT_EQ(TimeLeftText(1h + 2min + 9s), "1:02:09");
    EXPECT_EQ(TimeLeftText(-3s), "0:00");
    EXPECT_EQ(cli::SizeText(0), "0 bytes");
    EXPECT_EQ(cli::SizeText(1), "1 byte");
    EXPECT_EQ(cli::SizeText(1023), "1023 bytes");
    EXPECT_EQ(cli::SizeText(1536), "1.5 kB");
    EXPECT_EQ(cli::SizeText(1024 * 1024 - 1), "1.0 MB");
    EXPECT_EQ(cli::SizeText(std::uint64_t{5} << 30), "5.0 GB");
    ScanProgress::Counts one;
    one.filesFound = 1;
    EXPECT_EQ(cli::CountsText(one, std::nullopt), "1 file found");
}
