// SPDX-License-Identifier: GPL-3.0-or-later
// Grouping a million records, the size of a big search. Every pass of a search runs through
// GroupFiles once, so its cost is paid twice per search whatever the disk does.
//
// Mixes:
//   DistinctSizes    every size different, sizes only (the first pass on a tree without
//                    duplicates: everything leaves)
//   Dup10Sizes       a tenth of the records are second copies, sizes only (the first pass)
//   Dup10Content     the same with CRC and strong hash known and compared, sizes drawn from a
//                    small range so most records share a size with others (the second pass)
//   Dup10Names       a tenth second copies under the same name in another folder, sizes and
//                    names compared
//   FewSizes         a thousand sizes only, sizes compared (groups of a thousand records)
#include "grouping.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using twinly::FileList;
using twinly::GroupList;
using twinly::MatchSwitches;
using twinly::TFileData;

enum Mix : int { DistinctSizes, Dup10Sizes, Dup10Content, Dup10Names, FewSizes };

const char *mixName(int mix)
{
    static const char *const names[] = {"DistinctSizes", "Dup10Sizes", "Dup10Content", "Dup10Names",
                                        "FewSizes"};
    return names[mix];
}

MatchSwitches switchesFor(int mix)
{
    MatchSwitches sw;
    sw.CompareContent = mix == Dup10Content;
    sw.IgnoreNames = mix != Dup10Names;
    return sw;
}

std::uint64_t splitmix64(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::vector<std::string> makeDirs(std::size_t count)
{
    std::vector<std::string> dirs;
    dirs.reserve(count);
    char buf[96];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "/home/someone/Pictures/%zu/holiday-album-%zu/raw",
                      2000 + i % 25, i);
        dirs.emplace_back(buf);
    }
    return dirs;
}

// `n` records in list order; a tenth of them (for the Dup10 mixes) copy an earlier content.
FileList buildRecords(int mix, std::size_t n, std::uint64_t seed)
{
    static const std::vector<std::string> dirs = makeDirs(5000);
    std::mt19937_64 rng(seed);
    const std::size_t copies =
        (mix == Dup10Sizes || mix == Dup10Content || mix == Dup10Names) ? n / 10 : 0;
    const std::size_t contents = n - copies;
    // Content id of each record: 0..contents-1 once, plus `copies` repeats, shuffled.
    std::vector<std::uint32_t> content(n);
    std::iota(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(contents), 0u);
    for (std::size_t i = contents; i < n; ++i)
        content[i] = static_cast<std::uint32_t>(i - contents);
    std::shuffle(content.begin(), content.end(), rng);

    FileList list;
    list.reserve(n);
    std::vector<std::uint32_t> seen(contents, 0);
    char name[64];
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t c = content[i];
        const std::uint64_t h = splitmix64(c); // a fixed value per content
        std::int64_t size;
        switch (mix) {
        case Dup10Content:
            size = 1 + static_cast<std::int64_t>(h % 100000);
            break;
        case FewSizes:
            size = 4096 + static_cast<std::int64_t>(h % 1000);
            break;
        default:
            size = 1000 + static_cast<std::int64_t>(c) * 7; // one size per content
        }
        const std::uint32_t copy = seen[c]++;
        if (mix == Dup10Names)
            std::snprintf(name, sizeof name, "DSC_%07u.JPG", c); // same name, other folder
        else
            std::snprintf(name, sizeof name, "DSC_%07u_%u.JPG", c, copy);
        const std::string &dir = dirs[(h + copy * 7919 + i) % dirs.size()];
        TFileData d = TFileData::onDisk(dir, name, size, 0x58A16000u + static_cast<unsigned>(i));
        if (mix == Dup10Content) {
            d.CRC = static_cast<std::uint32_t>(h >> 32);
            d.CrcKnown = true;
            d.Hash = twinly::StrongHash{h, h * 0x9E3779B97F4A7C15ull};
        }
        list.push_back(std::move(d));
    }
    return list;
}

void BM_GroupFiles(benchmark::State &state)
{
    const int mix = static_cast<int>(state.range(0));
    const auto n = static_cast<std::size_t>(state.range(1));
    state.SetLabel(mixName(mix));
    const MatchSwitches sw = switchesFor(mix);
    std::size_t groupCount = 0;
    std::size_t grouped = 0;
    for (auto _ : state) {
        FileList list = buildRecords(mix, n, 42);
        GroupList groups;
        twinly::ScanProgress progress;
        double totalKB = 1e12;
        const auto t0 = std::chrono::steady_clock::now();
        const bool done = twinly::GroupFiles(list, groups, sw, {progress, {}, totalKB});
        const auto t1 = std::chrono::steady_clock::now();
        if (!done) {
            state.SkipWithError("GroupFiles stopped");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        groupCount = groups.size();
        grouped = 0;
        for (const auto &g : groups)
            grouped += g.size();
    }
    state.counters["groups"] = static_cast<double>(groupCount);
    state.counters["grouped"] = static_cast<double>(grouped);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_GroupFiles)
    ->ArgNames({"mix", "records"})
    ->ArgsProduct({{DistinctSizes, Dup10Sizes, Dup10Content, Dup10Names, FewSizes}, {1000000}})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// The tail of a search once the first pass has grouped: flatten the groups back into the list,
// regroup on content, lay the groups out as rows.
void BM_FlattenRegroupLayOut(benchmark::State &state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        FileList list = buildRecords(Dup10Content, n, 42);
        GroupList groups;
        twinly::ScanProgress progress;
        double totalKB = 1e12;
        twinly::GroupFiles(list, groups, switchesFor(Dup10Content), {progress, {}, totalKB});
        twinly::RowBand bands;
        const auto t0 = std::chrono::steady_clock::now();
        twinly::FlattenGroups(list, groups, {});
        twinly::GroupFiles(list, groups, switchesFor(Dup10Content), {progress, {}, totalKB});
        twinly::LayOutGroups(list, groups, bands);
        const auto t1 = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        benchmark::DoNotOptimize(bands.data());
    }
}
BENCHMARK(BM_FlattenRegroupLayOut)
    ->Arg(1000000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
