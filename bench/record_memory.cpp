// SPDX-License-Identifier: GPL-3.0-or-later
// What a record costs in memory beyond its path text, and what a grouping pass needs on top
// while it runs. A search of a million files keeps a million records alive from the walk to
// the result rows, so every byte here is a megabyte there.
//
// Every allocation of the process is counted through the global operator new, at the size the
// allocator really hands out plus its chunk header, so the figures include the allocator's
// rounding. Usage: twinly_record_memory [RECORDS]
#include "grouping.h"

#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

// glibc keeps one size word in front of every chunk it hands out.
constexpr std::size_t kChunkHeader = sizeof(std::size_t);

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};
std::atomic<std::size_t> g_chunks{0};

void *counted(std::size_t n)
{
    void *p = std::malloc(n == 0 ? 1 : n);
    if (!p)
        throw std::bad_alloc();
    const std::size_t cost = malloc_usable_size(p) + kChunkHeader;
    const std::size_t live = g_live.fetch_add(cost) + cost;
    g_chunks.fetch_add(1);
    std::size_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return p;
}

void uncounted(void *p) noexcept
{
    if (!p)
        return;
    g_live.fetch_sub(malloc_usable_size(p) + kChunkHeader);
    g_chunks.fetch_sub(1);
    std::free(p);
}

} // namespace

void *operator new(std::size_t n)
{
    return counted(n);
}
void *operator new[](std::size_t n)
{
    return counted(n);
}
void operator delete(void *p) noexcept
{
    uncounted(p);
}
void operator delete[](void *p) noexcept
{
    uncounted(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    uncounted(p);
}
void operator delete[](void *p, std::size_t) noexcept
{
    uncounted(p);
}

namespace {

double perRecord(std::size_t bytes, std::size_t n)
{
    return static_cast<double>(bytes) / static_cast<double>(n);
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    if (n < 2) {
        std::fprintf(stderr, "usage: twinly_record_memory [RECORDS >= 2]\n");
        return 2;
    }

    // Folders and names of typical lengths (a 45-character folder, a 16-character name).
    std::vector<std::string> dirs;
    for (std::size_t i = 0; i < 2000; ++i)
        dirs.push_back("/home/someone/Pictures/" + std::to_string(2000 + i % 25) + "/holiday-" +
                       std::to_string(100000 + i));
    const std::size_t base = g_live.load();
    const std::size_t baseChunks = g_chunks.load();

    twinly::FileList list;
    list.reserve(n);
    std::size_t pathChars = 0;
    std::size_t spare = 0;
    for (std::size_t i = 0; i < n; ++i) {
        // A tenth of the records share their size with another one.
        const auto size = static_cast<std::int64_t>(i % 10 == 9 ? i - 1 : i);
        list.push_back(twinly::TFileData::onDisk(
            dirs[i % dirs.size()], "DSC_" + std::to_string(1000000 + i) + ".JPG", size, 0));
        pathChars += list.back().FullName.size();
        spare += list.back().FullName.capacity() - list.back().FullName.size();
    }
    const std::size_t listed = g_live.load() - base;
    const std::size_t chunks = g_chunks.load() - baseChunks;
    const double beyond = perRecord(listed - pathChars, n);

    std::printf("records                         %zu\n", n);
    std::printf("sizeof(TFileData)               %zu bytes (std::string %zu)\n",
                sizeof(twinly::TFileData), sizeof(std::string));
    std::printf("path text                       %.1f bytes a record\n", perRecord(pathChars, n));
    std::printf("heap for the list               %.1f bytes a record, %.2f allocations a record\n",
                perRecord(listed, n), static_cast<double>(chunks) / static_cast<double>(n));
    std::printf("  of which path spare capacity  %.1f bytes a record\n", perRecord(spare, n));
    std::printf("beyond the path text            %.1f bytes a record (target < 200)\n", beyond);

    // A first pass on sizes: what it needs on top of the list while it runs, and what the groups
    // cost once it is done.
    g_peak.store(g_live.load());
    const std::size_t before = g_live.load();
    twinly::GroupList groups;
    twinly::ScanProgress progress;
    double totalKB = 0;
    twinly::MatchSwitches sw;
    sw.CompareContent = false;
    twinly::GroupFiles(list, groups, sw, {progress, {}, totalKB});
    const std::size_t peak = g_peak.load() - before;
    std::size_t grouped = 0;
    std::size_t groupedChars = 0;
    for (const auto &g : groups) {
        grouped += g.size();
        for (const auto &d : g)
            groupedChars += d.FullName.size();
    }
    // The emptied list keeps its buffer; count it apart from what the groups cost.
    const std::size_t kept = list.capacity() * sizeof(twinly::TFileData);
    const std::size_t groupsCost = g_live.load() - base - kept - groupedChars;
    std::printf("grouping peak above the list    %.1f bytes a record\n", perRecord(peak, n));
    std::printf("after grouping                  %zu groups of %zu records, %.1f bytes a grouped "
                "record beyond its path text\n",
                groups.size(), grouped, grouped ? perRecord(groupsCost, grouped) : 0.0);
    std::printf("emptied list still holds        %.1f MiB (capacity for %zu records)\n",
                static_cast<double>(kept) / 1048576.0, list.capacity());
    return beyond < 200 ? 0 : 1;
}
