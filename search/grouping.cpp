// SPDX-License-Identifier: GPL-3.0-or-later
// Grouping, in three steps per pass:
//   1. bucket: every record gets a 64-bit key made of the cheap fields the switches compare
//      (low 32 bits of the size, the packed time, the name, the CRC). Records that can match
//      always share a key; records with different keys never match. Sorting (key, index) pairs
//      gives the buckets with their members in list order.
//   2. pivot loop inside each bucket, with the exact match rule. Within a bucket nearly every
//      record matches the first, so this is linear in practice; it is quadratic only for the
//      non-transitive cases (a file reached twice through overlapping folders, CRC collisions
//      between a database entry and several files, visual similarity).
//   3. order: groups sorted by the list position of their pivot, which is the order in which
//      the global pivot loop would have produced them.
// In a visual pass the key also holds the picture's similarity class (pictures of different
// classes, such as different proportions, are never alike), and pictures alike to nothing stay
// out of every bucket. The visual test is the one costly match test: against each pivot, long
// runs of candidates are tested on several threads, and the gathering then goes through them in
// list order, so the groups are exactly those of the single-threaded loop.
// Termination is polled at every bucket and every pivot, and every few hundred tests against one
// pivot; the gauge follows the records settled and is redrawn whenever a few thousand match
// tests or records have gone by, however the records fall into buckets.
#include "grouping.h"

#include "prefetch.h"
#include "release.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <string_view>
#include <thread>

namespace twinly {

namespace {

bool sizesMatch(const TFileData &a, const TFileData &b)
{
    if (a.OnDisk && b.OnDisk)
        return a.FileSize == b.FileSize;
    return static_cast<std::uint32_t>(a.FileSize) == static_cast<std::uint32_t>(b.FileSize);
}

std::uint64_t mix(std::uint64_t h, std::uint64_t v)
{
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

std::uint64_t hashBytes(std::string_view s)
{
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (unsigned char c : s)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

std::uint64_t bucketKey(const TFileData &d, const MatchSwitches &sw)
{
    std::uint64_t h = 0;
    if (!sw.IgnoreSize)
        h = mix(h, static_cast<std::uint32_t>(d.FileSize));
    if (!sw.IgnoreDate)
        h = mix(h, d.FileTime);
    if (!sw.IgnoreNames)
        h = mix(h, hashBytes(d.FileName()));
    if (sw.CompareContent)
        h = mix(h, d.CRC);
    return h;
}

using KeyedRecords = std::vector<std::pair<std::uint64_t, std::uint32_t>>;

// Sorts (key, index) pairs. The keys are hashes, so their top bits spread them evenly: one
// counting pass puts every pair into one of 2,048 parts where it lies (an American flag sort: no
// second array, and the parts' fronts stay in the cache), and each part is then sorted in the
// cache. The order is that of sorting the pairs outright.
void sortByKey(KeyedRecords &keyed)
{
    const std::size_t n = keyed.size();
    if (n < 4096) {
        std::sort(keyed.begin(), keyed.end());
        return;
    }
    constexpr int bits = 11;
    const int shift = 64 - bits;
    const std::size_t parts = std::size_t{1} << bits;
    // next[p]: the first place of part p not yet filled (after the counting, where it begins)
    std::vector<std::uint32_t> next(parts + 1, 0);
    for (const auto &k : keyed)
        ++next[(k.first >> shift) + 1];
    for (std::size_t p = 1; p <= parts; ++p)
        next[p] += next[p - 1];
    std::vector<std::uint32_t> begin(next.begin(), next.end());
    for (std::size_t p = 0; p < parts; ++p) {
        const std::uint32_t end = begin[p + 1];
        while (next[p] < end) {
            auto carried = keyed[next[p]];
            std::size_t home = carried.first >> shift;
            while (home != p) { // carry it home, taking what lay there on
                std::swap(carried, keyed[next[home]++]);
                home = carried.first >> shift;
            }
            keyed[next[p]++] = carried;
        }
    }
    for (std::size_t p = 0; p < parts; ++p)
        if (begin[p + 1] - begin[p] > 1)
            std::sort(keyed.begin() + begin[p], keyed.begin() + begin[p + 1]);
}

struct PendingGroup {
    std::uint32_t pivot;
    std::vector<std::uint32_t> members; // list order, pivot not included
};

// Below this many candidates a thread costs more than the tests it would take over.
constexpr std::size_t kParallelCandidates = 256;
// Below this many records in buckets, the buckets are grouped on one thread.
constexpr std::size_t kParallelBuckets = 65536;
// How many links of a cycle ahead a record is asked of memory while the records move.
constexpr std::size_t kPrefetchLinks = 6;
// A pass that keeps at most one record in this many moves them into a list of their own.
constexpr std::size_t kFewKept = 5;
// How many records ahead, in key order, a record is asked of memory (see prefetchRecord).
constexpr std::size_t kPrefetchAhead = 16;

// A bucket's members lie far apart in the list, and each match test would wait on memory for
// its record: going through the keys, the records a few buckets ahead are asked for meanwhile.
void prefetchRecord(const TFileData &d)
{
    const char *at = reinterpret_cast<const char *>(&d);
    Prefetch(at);
    Prefetch(at + sizeof(TFileData) - 1);
}
// Match tests or settled records between two redraws of the gauge.
constexpr std::size_t kProgressStep = 4096;

// The pass's progress: records settled (grouped or dropped) against the count at the start.
// A silent meter (for a helper thread's share of the buckets) only counts; its counts are
// handed to the pass's own meter when the helper is done.
class PassMeter {
public:
    PassMeter(PassProgress &pass, std::size_t n0, bool silent = false)
        : m_pass(pass), m_n0(n0), m_silent(silent)
    {}

    // `records` have been settled after `tests` match tests. Returns false when stopped.
    bool settle(std::size_t records, std::size_t tests)
    {
        m_settled += records;
        m_work += records + tests;
        if (!m_silent && m_work >= m_nextReport) {
            m_nextReport = m_work + kProgressStep;
            report();
        }
        return !m_pass.stop.stop_requested();
    }
    const std::stop_token &stop() const { return m_pass.stop; }
    // What a silent meter counted, told to this one.
    bool settle(const PassMeter &helper)
    {
        return settle(helper.m_settled, helper.m_work - helper.m_settled);
    }

private:
    void report() const
    {
        const std::size_t left = m_n0 - std::min(m_n0, m_settled);
        m_pass.progress.setGauge(100 -
                                 static_cast<int>(std::nearbyint(static_cast<double>(left) * 100.0 /
                                                                 static_cast<double>(m_n0))));
        m_pass.progress.setItem("Total files in list : " + std::to_string(left));
    }

    PassProgress &m_pass;
    std::size_t m_n0;
    bool m_silent;
    std::size_t m_settled = 0;
    std::size_t m_work = 0;
    std::size_t m_nextReport = kProgressStep;
};

// matches[i] = whether remaining[i] matches the pivot remaining[0], for i >= 1. Returns false
// when stopped.
bool testCandidates(const FileList &list, const std::vector<std::uint32_t> &remaining,
                    const MatchSwitches &sw, std::vector<char> &matches,
                    const std::stop_token &stop)
{
    const TFileData &pivot = list[remaining.front()];
    const std::size_t count = remaining.size();
    matches.assign(count, 0);
    const unsigned threads =
        sw.Visual && count >= kParallelCandidates ? std::max(1u, sw.Threads) : 1u;
    std::atomic<bool> stopped{false};
    auto range = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (((i - from) & 255) == 255 && stop.stop_requested()) {
                stopped = true;
                return;
            }
            matches[i] = RecordsMatch(pivot, list[remaining[i]], sw) ? 1 : 0;
        }
    };
    const std::size_t share = (count - 1 + threads - 1) / threads;
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        const std::size_t from = 1 + t * share;
        if (from < count)
            helpers.emplace_back(range, from, std::min(count, from + share));
    }
    range(1, std::min(count, 1 + share));
    helpers.clear(); // joins
    return !stopped;
}

// The pivot loop over one bucket; `remaining` holds list indices in list order. A bucket of
// records that match nothing costs a pivot per record, each tested against all the rest: the
// meter is told after every pivot.
bool pivotLoop(const FileList &list, std::vector<std::uint32_t> &remaining, const MatchSwitches &sw,
               std::vector<PendingGroup> &out, PassMeter &meter)
{
    std::vector<std::uint32_t> rest;
    std::vector<char> matches;
    while (remaining.size() >= 2) {
        const std::uint32_t p = remaining.front();
        PendingGroup g{p, {}};
        rest.clear();
        if (!testCandidates(list, remaining, sw, matches, meter.stop()))
            return false;
        for (std::size_t i = 1; i < remaining.size(); ++i)
            (matches[i] ? g.members : rest).push_back(remaining[i]);
        const std::size_t tests = remaining.size() - 1;
        const std::size_t settled = g.members.size() + 1 + (rest.size() == 1 ? 1 : 0);
        if (!g.members.empty())
            out.push_back(std::move(g));
        remaining.swap(rest);
        if (!meter.settle(settled, tests))
            return false;
    }
    return true;
}

// Moves the pending groups' records, in group order (members, then the pivot), out of `list`
// into `groups`, freeing the records left over (or handing them to `dropped`) and lowering the
// total by their sizes. When `groups` holds nothing yet (every pass of a search) the list is
// rearranged where it lies and handed over whole, so no record is ever held twice, unless few
// are kept.
void takeGroups(FileList &list, GroupList &groups, const std::vector<PendingGroup> &pending,
                double &totalKB, FileList *dropped)
{
    const std::size_t n = list.size();
    constexpr std::uint32_t kLeftOver = UINT32_MAX;
    std::vector<std::uint32_t> at(n, kLeftOver); // where each record goes
    std::uint32_t next = 0;
    std::vector<std::size_t> ends;
    ends.reserve(pending.size());
    for (const PendingGroup &g : pending) {
        for (std::uint32_t m : g.members)
            at[m] = next++;
        at[g.pivot] = next++;
        ends.push_back(next);
    }
    const std::uint32_t grouped = next;
    for (std::size_t i = 0; i < n; ++i) {
        if (at[i] != kLeftOver)
            continue;
        if (list[i].OnDisk)
            totalKB -= static_cast<double>(list[i].FileSize) / 1024.0;
        at[i] = next++;
    }
    // order[k]: the record that goes to place k of the grouped ones.
    auto groupedOrder = [&] {
        std::vector<std::uint32_t> order(grouped);
        for (std::size_t i = 0; i < n; ++i)
            if (at[i] < grouped)
                order[at[i]] = static_cast<std::uint32_t>(i);
        return order;
    };
    if (!groups.empty()) {
        const std::vector<std::uint32_t> order = groupedOrder();
        std::size_t k = 0;
        for (const std::size_t end : ends) {
            Group group;
            for (; k < end; ++k)
                group.push_back(std::move(list[order[k]]));
            groups.push_back(std::move(group));
        }
        list.clear();
        return;
    }
    if (grouped <= n / kFewKept) {
        // Few kept of many: they move into a list of their own, and the old one goes whole
        // (to `dropped`, or freed here). Moving every record into place would wait on memory
        // for each of the many. At one in five, the new list and its order take no more room
        // than the keys (let go before) and the two tables a move in place would need.
        const std::vector<std::uint32_t> order = groupedOrder();
        Release(at);
        FileList kept;
        kept.reserve(grouped);
        for (const std::uint32_t i : order)
            kept.push_back(std::move(list[i]));
        if (dropped)
            *dropped = std::move(list);
        list = std::move(kept);
        groups.adopt(std::move(list), std::move(ends));
        list = FileList();
        return;
    }
    // The permutation is carried out cycle by cycle, no second list: each record is moved once
    // (swaps would move it three times), the cycle's first held aside until its place is free.
    std::vector<std::uint32_t> from(n); // from[k]: the record that goes to place k
    for (std::size_t i = 0; i < n; ++i)
        from[at[i]] = static_cast<std::uint32_t>(i);
    Release(at);
    // The records a cycle moves lie all over the list; the cycle is known from `from` alone, so
    // the record a few links on is asked of memory while this one moves.
    for (std::size_t start = 0; start < n; ++start) {
        if (from[start] == start)
            continue;
        TFileData carried = std::move(list[start]);
        std::size_t place = start;
        std::size_t ahead = start; // up to kPrefetchLinks links on from `place`
        bool aheadAtEnd = false;   // `ahead` has gone round to the cycle's start
        auto advance = [&] {
            if (aheadAtEnd)
                return;
            ahead = from[ahead];
            aheadAtEnd = ahead == start;
            if (!aheadAtEnd)
                prefetchRecord(list[ahead]);
        };
        for (std::size_t k = 0; k < kPrefetchLinks; ++k)
            advance();
        for (;;) {
            const std::size_t source = from[place];
            from[place] = static_cast<std::uint32_t>(place);
            if (source == start) {
                list[place] = std::move(carried);
                break;
            }
            list[place] = std::move(list[source]);
            place = source;
            advance();
        }
    }
    Release(from);
    list.resize(grouped);
    // A pass that keeps few of many records gives back the room of the rest.
    if (list.capacity() > 2 * list.size() + 1024)
        list.shrink_to_fit();
    groups.adopt(std::move(list), std::move(ends));
    list = FileList();
}

// The pivot loop over every bucket that starts in keyed[from, to), the buckets being runs of
// equal keys (a bucket never crosses `to`). Returns false when stopped.
bool groupBuckets(const FileList &list, const KeyedRecords &keyed, std::size_t from, std::size_t to,
                  const MatchSwitches &sw, std::vector<PendingGroup> &pending, PassMeter &meter)
{
    std::vector<std::uint32_t> bucket;
    std::size_t prefetched = from;
    for (std::size_t b = from; b < to;) {
        std::size_t e = b + 1;
        while (e < to && keyed[e].first == keyed[b].first)
            ++e;
        for (std::size_t i = std::max(b, prefetched); i < e + kPrefetchAhead && i < to; ++i) {
            const bool alone = (i == from || keyed[i - 1].first != keyed[i].first) &&
                               (i + 1 == to || keyed[i + 1].first != keyed[i].first);
            if (!alone) // a record alone in its bucket is never looked at
                prefetchRecord(list[keyed[i].second]);
        }
        prefetched = std::max(prefetched, e + kPrefetchAhead);
        if (e - b >= 2) {
            bucket.clear();
            for (std::size_t i = b; i < e; ++i)
                bucket.push_back(keyed[i].second);
            if (!pivotLoop(list, bucket, sw, pending, meter))
                return false;
        } else if (!meter.settle(1, 0)) {
            return false;
        }
        b = e;
    }
    return true;
}

} // namespace

bool RecordsMatch(const TFileData &p, const TFileData &c, const MatchSwitches &sw)
{
    // One file reached twice (overlapping or repeated folders, a link to a folder, a hard link)
    // is no copy of itself: deleting "the duplicate" would delete the only copy.
    if (SameFile(p, c))
        return false;
    if (!sw.IgnoreSize && !sizesMatch(p, c))
        return false;
    if (!sw.IgnoreDate && p.FileTime != c.FileTime)
        return false;
    if (!sw.IgnoreNames && (p.FileName() != c.FileName() || p.DirName() == c.DirName()))
        return false;
    if (sw.CompareContent) {
        // A file whose content could not be read has no CRC and matches nothing by content.
        if (!p.CrcKnown || !c.CrcKnown || p.CRC != c.CRC)
            return false;
        if (p.OnDisk && c.OnDisk && p.Hash != c.Hash)
            return false;
    }
    if (sw.Visual)
        return sw.ImagesAlike && sw.ImagesAlike(p, c);
    return true;
}

bool GroupFiles(FileList &list, GroupList &groups, const MatchSwitches &sw, PassProgress pass,
                FileList *dropped)
{
    pass.progress.setTimerInterval(500);
    pass.progress.setGauge(0);
    const std::size_t n0 = list.size();
    if (n0 < 2) {
        list.clear();
        return true;
    }
    pass.progress.setItem("");

    KeyedRecords keyed;
    keyed.reserve(n0);
    for (std::uint32_t i = 0; i < n0; ++i) {
        if (sw.CompareContent && !list[i].CrcKnown)
            continue; // can match nothing
        std::uint64_t key = bucketKey(list[i], sw);
        if (sw.Visual && sw.ImagesKey) {
            const std::optional<std::uint64_t> picture = sw.ImagesKey(list[i]);
            if (!picture)
                continue; // alike to nothing
            key = mix(key, *picture);
        }
        keyed.emplace_back(key, i);
    }
    sortByKey(keyed);
    if (pass.stop.stop_requested())
        return false;

    std::vector<PendingGroup> pending;
    PassMeter meter(pass, n0);
    // Records left out of every bucket can match nothing: settled from the start.
    if (!meter.settle(n0 - keyed.size(), 0))
        return false;
    // Buckets are independent of each other: with many of them (and no visual test, which
    // takes the cores for itself within a bucket), the second half goes to a second thread.
    // Groups are put in order by their pivots afterwards, so the outcome is the same.
    std::size_t half = keyed.size();
    if (!sw.Visual && keyed.size() >= kParallelBuckets && std::thread::hardware_concurrency() > 1) {
        half = keyed.size() / 2;
        while (half < keyed.size() && keyed[half].first == keyed[half - 1].first)
            ++half; // a bucket is never cut
    }
    std::vector<PendingGroup> helperPending;
    PassMeter helperMeter(pass, n0, /*silent=*/true);
    bool helperDone = true;
    {
        std::jthread helper;
        if (half < keyed.size())
            helper = std::jthread([&] {
                helperDone =
                    groupBuckets(list, keyed, half, keyed.size(), sw, helperPending, helperMeter);
            });
        if (!groupBuckets(list, keyed, 0, half, sw, pending, meter))
            return false; // stopped: the helper hears the same stop, and is joined here
    }
    if (!helperDone || !meter.settle(helperMeter))
        return false;
    pending.insert(pending.end(), std::make_move_iterator(helperPending.begin()),
                   std::make_move_iterator(helperPending.end()));
    Release(helperPending);

    Release(keyed);
    std::sort(pending.begin(), pending.end(),
              [](const PendingGroup &a, const PendingGroup &b) { return a.pivot < b.pivot; });
    takeGroups(list, groups, pending, pass.totalKB, dropped);
    pass.progress.setGauge(100);
    pass.progress.setItem("Total files in list : 0");
    return true;
}

bool FlattenGroups(FileList &list, GroupList &groups, const std::stop_token &stop)
{
    // Each group's range is turned around where it lies, and the groups' list becomes the list.
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (stop.stop_requested())
            return false;
        const std::span<TFileData> group = groups[g];
        std::reverse(group.begin(), group.end());
    }
    list = groups.takeRecords();
    return true;
}

void LayOutGroups(FileList &list, GroupList &groups, RowBand &bands)
{
    std::uint8_t band = 1;
    bands.reserve(list.size() + groups.recordCount());
    for (std::size_t i = 0; i < list.size(); ++i)
        bands.push_back(band); // rows already in the list stay in band 1
    for (std::size_t g = 0; g < groups.size(); ++g) {
        bands.insert(bands.end(), groups[g].size(), band);
        band = static_cast<std::uint8_t>(1 - band);
    }
    if (list.empty()) {
        list = groups.takeRecords();
    } else {
        FileList records = groups.takeRecords();
        list.reserve(list.size() + records.size());
        for (TFileData &d : records)
            list.push_back(std::move(d));
    }
}

void GroupList::push_back(Group &&group)
{
    m_records.reserve(m_records.size() + group.size());
    for (TFileData &d : group)
        m_records.push_back(std::move(d));
    m_ends.push_back(m_records.size());
}

} // namespace twinly
