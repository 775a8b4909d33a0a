// SPDX-License-Identifier: GPL-3.0-or-later
// Remembered checksums: used only for files that did not change, never making a result differ
// from a search that reads everything, and never in the way when the store is damaged, foreign
// or shared with another process.
#include "crc.h"
#include "hash_cache.h"
#include "scanner.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <set>

using namespace twinly;

namespace {

TFileData recordOf(std::uint64_t inode, std::int64_t size, std::int64_t mtime, std::int64_t ctime)
{
    TFileData d = TFileData::onDisk("/x", "f" + std::to_string(inode), size, 0);
    d.Device = 7;
    d.Inode = inode;
    d.MtimeNs = mtime;
    d.CtimeNs = ctime;
    return d;
}

CachedDigest digestOf(std::uint32_t crc)
{
    return {true, crc, {crc * 3ull, crc * 5ull}, true, crc * 7ull};
}

template<typename... Records> FileList listOf(Records &&...records)
{
    FileList list;
    (list.push_back(std::forward<Records>(records)), ...);
    return list;
}

std::vector<std::uint32_t> allOf(const FileList &list)
{
    std::vector<std::uint32_t> v(list.size());
    for (std::uint32_t i = 0; i < v.size(); ++i)
        v[i] = i;
    return v;
}

struct Search {
    SearchResult result;
    std::uint64_t filesRead = 0;
};

Search searchOnce(const std::string &root, const std::string &cacheFolder, bool ignoreSize = false)
{
    SearchOptions o;
    o.Folders = {root};
    o.CacheFolder = cacheFolder;
    o.IgnoreSize = ignoreSize;
    o.CompareContent = !ignoreSize;
    ScanProgress progress;
    Search s;
    s.result = RunSearch(o, {}, progress, {});
    s.filesRead = progress.filesRead();
    return s;
}

// What a user sees of a result: every row's path, CRC and band.
std::vector<std::tuple<std::string, std::uint32_t, bool, int>> rowsOf(const SearchResult &r)
{
    std::vector<std::tuple<std::string, std::uint32_t, bool, int>> rows;
    for (std::size_t i = 0; i < r.FileList.size(); ++i)
        rows.emplace_back(r.FileList[i].FullName, r.FileList[i].CRC, r.FileList[i].CrcKnown,
                          r.RowBand[i]);
    return rows;
}

} // namespace

TEST(HashCache, RemembersOnlyWhatStillAgreesWithTheFile)
{
    test::TempTree t;
    auto cache = HashCache::open(t.path("cache"));
    ASSERT_TRUE(cache);
    FileList list = listOf(recordOf(1, 10, 100, 200), recordOf(2, 20, 100, 200));
    ASSERT_TRUE(cache->store(list, {0, 1}, {digestOf(11), digestOf(22)}));
    EXPECT_EQ(cache->size(), 2u);

    FileList later =
        listOf(recordOf(1, 10, 100, 200), recordOf(2, 20, 101, 200), recordOf(2, 21, 100, 200),
               recordOf(2, 20, 100, 201), recordOf(3, 10, 100, 200));
    std::vector<std::optional<CachedDigest>> found;
    cache->lookup(later, allOf(later), found);
    ASSERT_TRUE(found[0]);
    EXPECT_EQ(found[0]->crc, 11u);
    EXPECT_EQ(found[0]->hash, (StrongHash{33, 55}));
    EXPECT_EQ(found[0]->prefix, 77u);
    EXPECT_FALSE(found[1]) << "modified";
    EXPECT_FALSE(found[2]) << "other size";
    EXPECT_FALSE(found[3]) << "metadata changed (a rename over it, a rewrite with the old time)";
    EXPECT_FALSE(found[4]) << "another file";

    // A second open sees what the first wrote; clearing forgets all of it.
    cache.reset();
    auto again = HashCache::open(t.path("cache"));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->size(), 2u);
    again.reset();
    ASSERT_TRUE(HashCache::clear(t.path("cache")));
    EXPECT_EQ(HashCache::open(t.path("cache"))->size(), 0u);
}

// Look-ups go through the store in key order, stepping or seeking: every wanted key must be
// found or missed as a lookup of it alone would, whatever the gaps around it, on any device,
// before the first key, after the last, and asked for twice (two names of one file).
TEST(HashCache, FindsExactlyWhatItHoldsWhateverTheGapsBetweenKeys)
{
    test::TempTree t;
    auto cache = HashCache::open(t.path("cache"));
    ASSERT_TRUE(cache);
    struct Id {
        std::uint64_t device, inode;
        std::int64_t size;
    };
    auto make = [](const Id &id) {
        TFileData d = recordOf(id.inode, id.size, 100, 200);
        d.Device = id.device;
        return d;
    };
    std::mt19937_64 random(5);
    std::vector<Id> ids;
    std::set<std::pair<std::uint64_t, std::uint64_t>> held;
    for (int i = 0; i < 40000; ++i) { // enough for look-ups on two threads
        // Runs of neighbours (steps) and far jumps (seeks), on three devices.
        const std::uint64_t inode =
            1000 + (i % 7 == 0 ? random() % 100000000 : static_cast<std::uint64_t>(i) * 3);
        const Id id{1 + static_cast<std::uint64_t>(i % 3), inode, 10 + i};
        if (held.insert({id.device, id.inode}).second)
            ids.push_back(id);
    }
    FileList stored;
    std::vector<CachedDigest> digests;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        stored.push_back(make(ids[i]));
        digests.push_back(digestOf(static_cast<std::uint32_t>(i + 1)));
    }
    ASSERT_TRUE(cache->store(stored, allOf(stored), digests));

    std::vector<std::pair<Id, std::optional<std::uint32_t>>> wanted;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i >= 1000 && i < 1300)
            continue; // a long gap is sought past, short ones are stepped over
        if (i % 5 == 0 && !held.count({ids[i].device, ids[i].inode + 1}))
            wanted.push_back({{ids[i].device, ids[i].inode + 1, 1}, std::nullopt});
        if (i % 4 == 0)
            continue; // not asked for
        if (i % 11 == 0)
            wanted.push_back({ids[i], digests[i].crc}); // asked for twice
        wanted.push_back({ids[i], digests[i].crc});
    }
    wanted.push_back({{0, 1, 1}, std::nullopt});                                 // first
    wanted.push_back({{~std::uint64_t{0}, ~std::uint64_t{0}, 1}, std::nullopt}); // last
    std::shuffle(wanted.begin(), wanted.end(), random); // the list order is not the key order
    FileList list;
    for (const auto &w : wanted)
        list.push_back(make(w.first));
    std::vector<std::optional<CachedDigest>> found;
    cache->lookup(list, allOf(list), found);
    ASSERT_EQ(found.size(), list.size());
    for (std::size_t k = 0; k < list.size(); ++k) {
        ASSERT_EQ(found[k].has_value(), wanted[k].second.has_value()) << list[k].Inode;
        if (found[k]) {
            EXPECT_EQ(found[k]->crc, *wanted[k].second) << list[k].Inode;
        }
    }
}

TEST(HashCache, ADamagedOrForeignStoreIsSetAsideAndMadeAnew)
{
    test::TempTree t;
    const std::string folder = t.createDir("cache");
    t.createFile("cache/checksums.mdb", std::string(8192, 'x'));
    {
        auto cache = HashCache::open(folder);
        ASSERT_TRUE(cache);
        EXPECT_EQ(cache->size(), 0u);
        FileList list = listOf(recordOf(1, 1, 1, 1));
        EXPECT_TRUE(cache->store(list, {0}, {digestOf(5)}));
    }
    EXPECT_EQ(t.read("cache/checksums.mdb.bad"), std::string(8192, 'x'));
    EXPECT_EQ(HashCache::open(folder)->size(), 1u);

    // Not a regular file: neither opened nor moved.
    test::TempTree u;
    u.createDir("c/checksums.mdb");
    EXPECT_FALSE(HashCache::open(u.path("c")));
    EXPECT_TRUE(std::filesystem::is_directory(u.path("c/checksums.mdb")));

    // A FIFO in its place: the warm-up before a search neither blocks on it nor reads it.
    test::TempTree v;
    v.createDir("f");
    ASSERT_EQ(::mkfifo(v.path("f/checksums.mdb").c_str(), 0600), 0);
    HashCache::warmUp(v.path("f"));
    EXPECT_FALSE(HashCache::open(v.path("f")));
}

TEST(HashCache, KeepsToItsCapDroppingTheLeastRecentlySeen)
{
    test::TempTree t;
    auto cache = HashCache::open(t.path("cache"), 100);
    ASSERT_TRUE(cache);
    FileList list;
    std::vector<CachedDigest> digests;
    for (std::uint64_t i = 1; i <= 250; ++i) {
        list.push_back(recordOf(i, 1, 1, 1));
        digests.push_back(digestOf(static_cast<std::uint32_t>(i)));
    }
    ASSERT_TRUE(cache->store(list, allOf(list), digests));
    EXPECT_LE(cache->size(), 100u);
    EXPECT_GE(cache->size(), 80u);
}

TEST(HashCache, TwoProcessesAtOnceBothKeepTheirEntries)
{
    test::TempTree t;
    const std::string folder = t.path("cache");
    ASSERT_TRUE(HashCache::open(folder));
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int bad = 0;
            for (int round = 0; round < 20; ++round) {
                auto cache = HashCache::open(folder);
                FileList list = listOf(recordOf(1000 * (c + 1) + round, 1, 1, 1));
                if (!cache || !cache->store(list, {0}, {digestOf(round)}))
                    ++bad;
                std::vector<std::optional<CachedDigest>> found;
                if (cache)
                    cache->lookup(list, {0}, found);
                if (found.empty() || !found[0])
                    ++bad;
            }
            ::_exit(bad);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(HashCache::open(folder)->size(), 40u);
}

// Random trees, random edits between searches: every search with the cache gives exactly the
// rows of a search without it, and a search of an unchanged tree reads no file.
TEST(HashCache, ResultsAreThoseOfASearchThatReadsEverything)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 12; ++round) {
        test::TempTree t;
        const std::string cache = t.path("cache");
        const std::string root = t.createDir("tree");
        std::vector<std::string> files;
        for (int i = 0; i < 60; ++i) {
            const std::size_t size = rng() % 3 == 0 ? 70000 + rng() % 3 : 1 + rng() % 40;
            std::string bytes(size, static_cast<char>('a' + rng() % 3));
            if (rng() % 4 == 0)
                bytes.back() = 'z';
            files.push_back(
                t.createFile("tree/d" + std::to_string(i % 5) + "/f" + std::to_string(i), bytes));
        }
        for (int step = 0; step < 4; ++step) {
            const Search without = searchOnce(root, {});
            const Search with = searchOnce(root, cache);
            ASSERT_EQ(rowsOf(with.result), rowsOf(without.result))
                << "round " << round << " step " << step;
            if (step > 0) {
                const Search unchanged = searchOnce(root, cache);
                EXPECT_EQ(unchanged.filesRead, 0u) << "round " << round << " step " << step;
                EXPECT_EQ(rowsOf(unchanged.result), rowsOf(without.result));
            }
            // Edits: rewrite one file with other content of the same size, append to one,
            // replace one by a copy of another, remove one.
            const std::string &a = files[rng() % files.size()];
            const std::string &b = files[rng() % files.size()];
            std::error_code ec;
            if (std::filesystem::exists(a, ec)) {
                const auto size = std::filesystem::file_size(a, ec);
                std::ofstream(a, std::ios::binary | std::ios::trunc) << std::string(size, 'q');
            }
            std::ofstream(files[rng() % files.size()], std::ios::app) << "more";
            if (std::filesystem::exists(a, ec) && std::filesystem::exists(b, ec) && a != b)
                std::filesystem::copy_file(a, b, std::filesystem::copy_options::overwrite_existing,
                                           ec);
            std::filesystem::remove(files[rng() % files.size()], ec);
        }
    }
}
