// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc.h"
#include "crc_db.h"
#include "scanner.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <map>
#include <set>

using namespace twinly;

namespace {

SearchOptions optionsFor(std::vector<std::string> folders)
{
    SearchOptions o;
    o.Folders = std::move(folders);
    return o;
}

SearchResult search(const SearchOptions &o, CrcDatabase initial = {},
                    std::function<void(Phase, std::stop_source &)> atPhase = {})
{
    ScanProgress progress;
    std::stop_source stop;
    if (atPhase)
        progress.setPhaseObserver([&](Phase p) { atPhase(p, stop); });
    return RunSearch(o, std::move(initial), progress, stop.get_token());
}

std::vector<std::vector<std::string>> groupsOf(const SearchResult &r)
{
    std::vector<std::vector<std::string>> out;
    for (std::size_t i = 0; i < r.FileList.size(); ++i) {
        if (i == 0 || r.RowBand[i] != r.RowBand[i - 1])
            out.emplace_back();
        out.back().push_back(r.FileList[i].FullName);
    }
    for (auto &g : out)
        std::sort(g.begin(), g.end());
    std::sort(out.begin(), out.end());
    return out;
}

std::string blob(std::size_t n, char fill, char last)
{
    std::string s(n, fill);
    s.back() = last;
    return s;
}

} // namespace

TEST(RunSearch, DuplicateSearchGroupsIdenticalFilesOnly)
{
    test::TempTree t;
    const auto a = t.createFile("a/photo.jpg", "same bytes");
    const auto b = t.createFile("b/copy.jpg", "same bytes");
    t.createFile("c/other.jpg", "diff bytes"); // same size, other content
    t.createFile("c/unique.txt", "a size of its own");
    const auto big1 = t.createFile("big/1", blob(3 << 20, 'x', 'a'));
    const auto big2 = t.createFile("big/2", blob(3 << 20, 'x', 'a'));
    t.createFile("big/3", blob(3 << 20, 'x', 'b')); // differs only in its last byte
    const SearchResult r = search(optionsFor({t.root()}));
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(groupsOf(r), (std::vector<std::vector<std::string>>{{a, b}, {big1, big2}}));
    ASSERT_EQ(r.RowBand.size(), r.FileList.size());
    EXPECT_EQ(r.RowBand.front(), 1);
    EXPECT_EQ(r.RowBand.back(), 0);
    // Every row shown carries its whole-file CRC.
    for (const TFileData &d : r.FileList) {
        std::uint32_t crc = 0;
        ASSERT_TRUE(FileCRC(d.FullName, crc));
        EXPECT_TRUE(d.CrcKnown);
        EXPECT_EQ(d.CRC, crc) << d.FullName;
    }
}

TEST(RunSearch, ThreeOfEqualSizeTwoIdenticalKeepsThePair)
{
    test::TempTree t;
    const auto x = t.createFile("x", "12345");
    t.createFile("y", "54321");
    const auto z = t.createFile("z", "12345");
    EXPECT_EQ(groupsOf(search(optionsFor({t.root()}))),
              (std::vector<std::vector<std::string>>{{x, z}}));
}

TEST(RunSearch, PlainListingShowsEveryFileInBandOne)
{
    test::TempTree t;
    t.createFile("1", "a");
    t.createFile("d/2", "b");
    t.createFile("d/3", "c");
    SearchOptions o = optionsFor({t.root()});
    o.FindDuplicates = false;
    CrcDatabase db;
    db.entries.push_back({1, 2});
    const SearchResult r = search(o, std::move(db));
    EXPECT_EQ(r.FileList.size(), 4u);
    EXPECT_EQ(r.RowBand, RowBand(4, 1));
    EXPECT_FALSE(r.FileList[0].OnDisk);   // database entries stand first
    EXPECT_FALSE(r.FileList[1].CrcKnown); // nothing was read
}

TEST(RunSearch, CreateDbComputesEveryCrcAndWritesDistinctPairs)
{
    test::TempTree t;
    t.createFile("a", "same");
    t.createFile("b", "same");
    t.createFile("c", "different");
    t.createFile("lonely", "a size nobody shares");
    SearchOptions o = optionsFor({t.root()});
    o.CreateDB = true;
    o.IgnoreSize = false;   // forced on by the mode
    o.VisualCompare = true; // a database records CRCs whatever the visual option says
    SearchResult r = search(o);
    ASSERT_EQ(r.FileList.size(), 4u);
    EXPECT_TRUE(r.RowBand.empty());
    for (const TFileData &d : r.FileList)
        EXPECT_TRUE(d.CrcKnown) << d.FullName;
    const std::string firstOfPair =
        r.FileList[0].FileName() == "a" || r.FileList[0].FileName() == "b" ? r.FileList[0].FullName
                                                                           : "";
    RemoveRepeatedEntries(r.FileList);
    EXPECT_EQ(r.FileList.size(), 3u);
    if (!firstOfPair.empty()) {
        EXPECT_EQ(r.FileList[0].FullName, firstOfPair);
    }
    ASSERT_FALSE(SaveCRCDatabase(t.path("out.twd"), r.FileList));
    EXPECT_EQ(std::filesystem::file_size(t.path("out.twd")), 4u + 3 * 8);
}

TEST(RunSearch, DatabaseEntriesMatchFilesAndEachOther)
{
    test::TempTree t;
    const auto f = t.createFile("disk/file", "recorded before");
    FileList recorded;
    recorded.push_back(TFileData::onDisk(t.root(), "x", 15, 0));
    recorded[0].CRC = Crc32Of("recorded before", 15);
    recorded[0].CrcKnown = true;
    recorded.push_back(TFileData::onDisk(t.root(), "y", 3, 0));
    recorded[1].CRC = 99;
    recorded[1].CrcKnown = true;
    ASSERT_FALSE(SaveCRCDatabase(t.path("one.twd"), recorded));
    ASSERT_FALSE(SaveCRCDatabase(t.path("two.twd"), recorded));

    CrcDatabase initial;
    ASSERT_TRUE(LoadCRCDatabases({t.path("one.twd"), t.path("two.twd")}, initial).empty());
    SearchOptions o = optionsFor({t.path("disk")});
    const SearchResult r = search(o, std::move(initial));
    const auto groups = groupsOf(r);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0], (std::vector<std::string>{f, "Off line", "Off line"}));
    EXPECT_EQ(groups[1], (std::vector<std::string>{"Off line", "Off line"}));
}

TEST(RunSearch, OverlappingFoldersListFilesTwice)
{
    test::TempTree t;
    const auto f = t.createFile("sub/only", "x");
    SearchOptions o = optionsFor({t.path("sub"), t.root()});
    o.FindDuplicates = false;
    EXPECT_EQ(search(o).FileList.size(), 2u);
    // A file reached twice is no duplicate of itself.
    o.FindDuplicates = true;
    EXPECT_TRUE(search(o).FileList.empty());
    (void)f;
    // Comparing names, it does not match itself.
    o.IgnoreNames = false;
    EXPECT_TRUE(search(o).FileList.empty());
}

TEST(RunSearch, NoFoldersFindsNothing)
{
    const SearchResult r = search(SearchOptions{});
    EXPECT_FALSE(r.stopped);
    EXPECT_TRUE(r.FileList.empty());
}

TEST(RunSearch, StopInAnyPhaseReturnsNothing)
{
    test::TempTree t;
    for (int i = 0; i < 4; ++i)
        t.createFile("d" + std::to_string(i) + "/f", "same");
    for (Phase stopAt : {Phase::CreatingPathList, Phase::ComparingFiles, Phase::CalculatingCrc,
                         Phase::RemovingDifferentFiles}) {
        for (bool createDb : {false, true}) {
            if (createDb && stopAt != Phase::CreatingPathList && stopAt != Phase::CalculatingCrc)
                continue;
            SearchOptions o = optionsFor({t.root(), t.root()});
            o.CreateDB = createDb;
            const SearchResult r = search(o, {}, [&](Phase p, std::stop_source &s) {
                if (p == stopAt)
                    s.request_stop();
            });
            EXPECT_TRUE(r.stopped) << static_cast<int>(stopAt);
            EXPECT_TRUE(r.FileList.empty());
            EXPECT_TRUE(r.RowBand.empty());
        }
    }
}

TEST(RunSearch, FilesVanishingBeforeTheyAreReadAreLeftOut)
{
    test::TempTree t;
    const auto a = t.createFile("a", "content");
    const auto b = t.createFile("b", "content");
    const auto c = t.createFile("c", "content");
    const SearchResult r = search(optionsFor({t.root()}), {}, [&](Phase p, std::stop_source &) {
        if (p == Phase::CalculatingCrc)
            std::filesystem::remove(b);
    });
    EXPECT_EQ(groupsOf(r), (std::vector<std::vector<std::string>>{{a, c}}));
}

TEST(RunSearch, AFileReadByNobodyElseGroupsWithNothing)
{
    test::TempTree t;
    t.createFile("a", "content");
    const auto b = t.createFile("b", "content");
    const SearchResult r = search(optionsFor({t.root()}), {}, [&](Phase p, std::stop_source &) {
        if (p == Phase::CalculatingCrc)
            std::filesystem::remove(b);
    });
    EXPECT_TRUE(r.FileList.empty());
}

TEST(ScanProgress, ReportsPhaseTextsAsUsersKnowThem)
{
    EXPECT_EQ(PhaseText(Phase::CreatingPathList), "Creating path list");
    EXPECT_EQ(PhaseText(Phase::ComparingFiles), "Comparing files ");
    EXPECT_EQ(PhaseText(Phase::CalculatingImageProperties), "Calculating properties of image");
    EXPECT_EQ(PhaseText(Phase::CalculatingCrc), "Calculating CRC");
    EXPECT_EQ(PhaseText(Phase::RemovingDifferentFiles), "Removing diferent files fom list");

    test::TempTree t;
    t.createFile("a", "xx");
    t.createFile("b", "xx");
    ScanProgress progress;
    std::vector<Phase> phases;
    progress.setPhaseObserver([&](Phase p) { phases.push_back(p); });
    RunSearch(optionsFor({t.root()}), {}, progress, {});
    EXPECT_EQ(phases, (std::vector<Phase>{Phase::CreatingPathList, Phase::ComparingFiles,
                                          Phase::CalculatingCrc, Phase::RemovingDifferentFiles}));
    const auto s = progress.snapshot();
    EXPECT_EQ(s.gauge, 100);
    EXPECT_TRUE(s.gaugeVisible);
    EXPECT_EQ(progress.timerInterval(), 500);
}

TEST(TDirScanner, RunsInTheBackgroundAndHandsOverTheResult)
{
    test::TempTree t;
    t.createFile("a", "xx");
    t.createFile("b", "xx");
    TDirScanner scanner;
    scanner.Options = optionsFor({t.root()});
    std::promise<void> done;
    scanner.OnTerminate = [&] { done.set_value(); };
    scanner.Resume();
    done.get_future().wait();
    scanner.WaitFor();
    EXPECT_EQ(scanner.takeResult().FileList.size(), 2u);
}

TEST(RunSearch, EveryRowCarriesItsGroupNumber)
{
    test::TempTree t;
    t.createFile("a1", "first");
    t.createFile("a2", "first");
    t.createFile("b1", "other");
    t.createFile("b2", "other");
    t.createFile("b3", "other");
    t.createFile("c1", "third");
    t.createFile("c2", "third");
    const SearchResult r = search(optionsFor({t.root()}));
    ASSERT_EQ(r.FileList.size(), 7u);
    ASSERT_EQ(r.RowGroup.size(), 7u);
    // Numbered 0, 1, 2 down the list, each number on exactly the rows of one group (told by
    // content here, so bands, which repeat, are no help).
    std::map<std::uint32_t, std::set<std::string>> contents;
    for (std::size_t i = 0; i < r.FileList.size(); ++i) {
        if (i > 0) {
            EXPECT_TRUE(r.RowGroup[i] == r.RowGroup[i - 1] ||
                        r.RowGroup[i] == r.RowGroup[i - 1] + 1);
        }
        contents[r.RowGroup[i]].insert(std::string(r.FileList[i].FileName()).substr(0, 1));
    }
    ASSERT_EQ(contents.size(), 3u);
    for (const auto &[g, names] : contents)
        EXPECT_EQ(names.size(), 1u) << "group " << g;
    EXPECT_EQ(r.RowGroup.front(), 0u);

    SearchOptions listing = optionsFor({t.root()});
    listing.FindDuplicates = false;
    const SearchResult plain = search(listing);
    // Without grouping no file is known to have a copy: each row is a group of its own.
    ASSERT_EQ(plain.RowGroup.size(), 7u);
    EXPECT_EQ(std::set<std::uint32_t>(plain.RowGroup.begin(), plain.RowGroup.end()).size(), 7u);
}

// A mask not in use takes every file, whatever its text; in use, it selects. Comparing by look
// reads pictures only either way.
TEST(RunSearch, AMaskAppliesOnlyWhenInUse)
{
    test::TempTree t;
    const auto a = t.createFile("a/notes.txt", "same words");
    const auto b = t.createFile("b/notes.txt", "same words");
    const auto c = t.createFile("a/data.bin", "same bytes");
    const auto d = t.createFile("b/data.bin", "same bytes");
    SearchOptions o = optionsFor({t.root()});
    o.Mask = "*.txt";
    o.UseMask = false;
    EXPECT_EQ(groupsOf(search(ResolveSearchOptions(o, false))),
              (std::vector<std::vector<std::string>>{{c, d}, {a, b}}));
    o.UseMask = true;
    EXPECT_EQ(groupsOf(search(ResolveSearchOptions(o, false))),
              (std::vector<std::vector<std::string>>{{a, b}}));
    o.UseMask = false;
    o.VisualCompare = true;
    const SearchOptions visual = ResolveSearchOptions(o, false);
    EXPECT_EQ(visual.Mask, kPictureFormatsMask);
    EXPECT_TRUE(search(visual).FileList.empty());
}
