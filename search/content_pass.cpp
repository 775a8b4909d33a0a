// SPDX-License-Identifier: GPL-3.0-or-later
// The costly pass: reading files. Work goes to a few threads through one atomic cursor over the
// list of records to read, largest share of time being the reads themselves, so two readers
// on two cores nearly halve the time when the data is cached.
//
// With skipUnmatchable, files of a size shared by several candidates are first told apart by a
// hash of their first block; a file alone with its block hash among its size mates is never
// read in full (it cannot have a partner). A file no larger than a block is read whole at once.
#include "content_pass.h"

#include "crc.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

namespace twinly {

namespace {

constexpr std::size_t kPrefixBlock = 4096;
constexpr std::size_t kReadPiece = 1 << 20;

class Gauge {
public:
    Gauge(ScanProgress &progress, double totalKB) : m_progress(progress), m_totalKB(totalKB) {}
    void add(std::int64_t bytes)
    {
        const double kb = static_cast<double>(bytes) / 1024.0;
        double done = m_doneKB.load(std::memory_order_relaxed);
        while (!m_doneKB.compare_exchange_weak(done, done + kb, std::memory_order_relaxed)) {
        }
        // With nothing to read (only empty files or database entries) the pass is complete.
        const int percent =
            m_totalKB > 0 ? static_cast<int>(std::nearbyint((done + kb) * 100.0 / m_totalKB)) : 100;
        m_progress.setGauge(std::clamp(percent, 0, 100));
    }

private:
    ScanProgress &m_progress;
    double m_totalKB;
    std::atomic<double> m_doneKB{0};
};

// Runs `work(index, buffer)` for indices [0, count) on `threads` threads.
template<typename Work>
bool runParallel(std::size_t count, unsigned threads, const std::stop_token &stop, Work &&work)
{
    std::atomic<std::size_t> next{0};
    auto body = [&] {
        std::vector<std::byte> buffer(kReadPiece);
        for (;;) {
            if (stop.stop_requested())
                return;
            const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= count)
                return;
            work(i, buffer);
        }
    };
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, count));
    std::vector<std::jthread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(body);
    body();
    pool.clear(); // joins
    return !stop.stop_requested();
}

void setDigest(TFileData &d, const std::optional<ContentDigest> &digest)
{
    d.CrcKnown = digest.has_value();
    d.CRC = digest ? digest->crc : 0;
    d.Hash = digest ? digest->hash : StrongHash{};
}

// Splits the records on disk into those that must be read whole and those that provably match
// nothing (left without a CRC). Reads first blocks to decide; returns false when stopped.
bool prefilter(FileList &list, const ContentPassOptions &options, unsigned threads,
               const std::stop_token &stop, Gauge &gauge, std::vector<std::uint32_t> &toRead)
{
    bool anyDatabase = false;
    std::unordered_set<std::uint32_t> databaseSizes;
    for (const TFileData &d : list) {
        if (!d.OnDisk) {
            anyDatabase = true;
            databaseSizes.insert(static_cast<std::uint32_t>(d.FileSize));
        }
    }
    std::vector<std::pair<std::int64_t, std::uint32_t>> bySize;
    for (std::uint32_t i = 0; i < list.size(); ++i)
        if (list[i].OnDisk)
            bySize.emplace_back(list[i].FileSize, i);
    if (!options.skipUnmatchable || (anyDatabase && options.databaseMatchesAnySize)) {
        for (const auto &[size, i] : bySize)
            toRead.push_back(i);
        return true;
    }
    std::sort(bySize.begin(), bySize.end());

    std::vector<std::uint32_t> probe; // large files with size mates: first block decides
    for (std::size_t b = 0; b < bySize.size();) {
        std::size_t e = b + 1;
        while (e < bySize.size() && bySize[e].first == bySize[b].first)
            ++e;
        const std::int64_t size = bySize[b].first;
        const bool sharedWithDatabase = databaseSizes.count(static_cast<std::uint32_t>(size)) > 0;
        if (sharedWithDatabase || (e - b >= 2 && size <= static_cast<std::int64_t>(kPrefixBlock))) {
            for (std::size_t i = b; i < e; ++i)
                toRead.push_back(bySize[i].second);
        } else if (e - b >= 2) {
            for (std::size_t i = b; i < e; ++i)
                probe.push_back(bySize[i].second);
        } else {
            gauge.add(size); // alone with its size: no partner possible
        }
        b = e;
    }

    std::vector<std::optional<std::uint64_t>> heads(probe.size());
    const bool finished = runParallel(
        probe.size(), threads, stop, [&](std::size_t k, std::vector<std::byte> &buffer) {
            const TFileData &d = list[probe[k]];
            const ExpectedFile expected = ExpectedFile::of(d);
            heads[k] = FilePrefixHash(d.FullName, buffer, kPrefixBlock, &expected);
        });
    if (!finished)
        return false;

    // probe is ordered by size, so size mates are adjacent.
    std::vector<std::pair<std::uint64_t, std::size_t>> keyed;
    for (std::size_t b = 0; b < probe.size();) {
        std::size_t e = b + 1;
        while (e < probe.size() && list[probe[e]].FileSize == list[probe[b]].FileSize)
            ++e;
        keyed.clear();
        for (std::size_t k = b; k < e; ++k) {
            if (heads[k])
                keyed.emplace_back(*heads[k], k);
            else
                gauge.add(list[probe[k]].FileSize); // unreadable: no CRC
        }
        std::sort(keyed.begin(), keyed.end());
        for (std::size_t i = 0; i < keyed.size(); ++i) {
            const bool mate = (i > 0 && keyed[i - 1].first == keyed[i].first) ||
                              (i + 1 < keyed.size() && keyed[i + 1].first == keyed[i].first);
            if (mate)
                toRead.push_back(probe[keyed[i].second]);
            else
                gauge.add(list[probe[keyed[i].second]].FileSize);
        }
        b = e;
    }
    return true;
}

} // namespace

bool ComputeContent(FileList &list, const ContentPassOptions &options, ScanProgress &progress,
                    const std::stop_token &stop, double totalKB)
{
    Gauge gauge(progress, totalKB);
    progress.setGauge(0);
    unsigned threads = options.threads;
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());

    for (TFileData &d : list) {
        if (d.OnDisk) {
            d.CrcKnown = false;
            d.CRC = 0;
        }
    }

    std::vector<std::uint32_t> toRead;
    if (options.signature) {
        for (std::uint32_t i = 0; i < list.size(); ++i)
            if (list[i].OnDisk)
                toRead.push_back(i);
    } else if (!prefilter(list, options, threads, stop, gauge, toRead)) {
        return false;
    }
    // The last records first, as the list has always been worked through.
    std::sort(toRead.begin(), toRead.end(), std::greater<>());

    return runParallel(toRead.size(), threads, stop,
                       [&](std::size_t k, std::vector<std::byte> &buffer) {
                           TFileData &d = list[toRead[k]];
                           progress.setItem(d.FullName);
                           if (options.signature)
                               options.signature(d);
                           else {
                               const ExpectedFile expected = ExpectedFile::of(d);
                               setDigest(d, FileDigest(d.FullName, buffer, stop, &expected));
                           }
                           gauge.add(d.FileSize);
                       });
}

} // namespace twinly
