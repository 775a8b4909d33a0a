// SPDX-License-Identifier: GPL-3.0-or-later
// The costly pass: reading files.
//
// # What is read
// With skipUnmatchable, files are first sorted by size. A file alone with its size cannot
// have a partner and is not read. Files up to kReadWholeBelow with size mates are read whole at
// once: for them one more visit costs more than the extra bytes. Larger size mates are first
// told apart by a hash of their first block; a file alone with its block hash among its size
// mates is never read in full. Checksums remembered from earlier searches (the hash cache)
// stand in for reads wherever the file is unchanged, and what is read is remembered.
//
// # Order and threads
// Files are read in the order of their inode numbers, per device: file systems lay data out
// roughly in that order, so a first (cold) search reads the disk front to back rather than in
// the order groups happen to come. Work goes to the readers through one atomic cursor, a few
// files at a time; each reader opens files relative to a handle of their folder, kept while the
// next file is in the same folder. Small files get more readers than there are cores
// (kSmallFileReaders): from a cold disk they wait on the disk, not the processor. On a disk that
// seeks, files larger than kSmallFile are read by at most two readers whatever the number of cores:
// more streams at once would make the head jump between them. Picture signatures are the exception:
// decoding, not reading, is their cost.
//
// Every read is bounded by the size the walk saw (see ExpectedFile): a file that changed since
// gets no checksum.
#include "content_pass.h"

#include "crc.h"
#include "dir_lister.h"
#include "release.h"
#include "system_info.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <string_view>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace twinly {

namespace {

constexpr std::size_t kReadPiece = 1 << 20;
constexpr std::int64_t kReadWholeBelow = 16 * 1024;
constexpr std::int64_t kSmallFile = 256 * 1024;
constexpr unsigned kSeekingReaders = 2;
// Readers take this many files at a time, in disk order: files of one folder stay with one
// reader, which opens the folder once for them.
constexpr std::size_t kClaim = 8;
// Reading many small files from a cold disk waits on the disk, not the processor: more reads in
// flight let the disk (or its queue) serve them in one sweep. Measured on 300,000 small files,
// eight readers on two cores read in half the time of two, and no slower from the page cache.
constexpr unsigned kSmallFileReaders = 8;

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

// Opens records' files, keeping the handle of the last folder for the next file in it.
class FolderOpener {
public:
    platform::FileReader open(const TFileData &d)
    {
        const std::string_view dir = d.DirName();
        if (!m_folder.isOpen() || dir != m_path) {
            m_path.assign(dir);
            m_folder = platform::Directory::openPath(m_path);
        }
        if (!m_folder.isOpen()) // a path beyond the system's limit, or a folder gone
            return platform::FileReader::open(d.FullName);
        return platform::FileReader::openAt(m_folder.nativeHandle(),
                                            d.FullName.c_str() + d.NameStart);
    }

private:
    std::string m_path;
    platform::Directory m_folder;
};

// Runs `work(index, buffer, opener)` for indices [0, count) on `threads` threads.
template<typename Work>
bool runParallel(std::size_t count, unsigned threads, const std::stop_token &stop, Work &&work,
                 std::size_t claim = kClaim)
{
    std::atomic<std::size_t> next{0};
    auto body = [&] {
        std::vector<std::byte> buffer(kReadPiece);
        FolderOpener opener;
        for (;;) {
            if (stop.stop_requested())
                return;
            const std::size_t first = next.fetch_add(claim, std::memory_order_relaxed);
            if (first >= count)
                return;
            for (std::size_t i = first; i < std::min(count, first + claim); ++i)
                work(i, buffer, opener);
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

// Folder by folder, each folder's files by inode number, folders in the order of their first
// file's inode, per device. File systems lay a folder's files out near each other and roughly in
// inode order, so a cold search reads the disk front to back; and a folder's files coming
// together lets a reader open the folder once for all of them.
void sortByDiskOrder(const FileList &list, std::vector<std::uint32_t> &indices)
{
    // Folders are numbered in the order they are first met, then ranked by device and first
    // inode; each index is sorted by a 16-byte key of its own, so the sort never goes back to
    // the records (a cache miss each, millions of times).
    struct Folder {
        std::uint64_t device, firstInode;
        std::uint32_t rank;
    };
    std::unordered_map<std::string_view, std::uint32_t> numberOf;
    numberOf.reserve(indices.size() / 4 + 16);
    std::vector<Folder> folders;
    struct Entry {
        std::uint64_t inode;
        std::uint32_t folder; // its number, then its rank
        std::uint32_t index;
    };
    std::vector<Entry> entries(indices.size());
    for (std::size_t k = 0; k < indices.size(); ++k) {
        const TFileData &d = list[indices[k]];
        const auto [it, added] =
            numberOf.try_emplace(d.DirName(), static_cast<std::uint32_t>(folders.size()));
        if (added)
            folders.push_back({d.Device, d.Inode, 0});
        else
            folders[it->second].firstInode = std::min(folders[it->second].firstInode, d.Inode);
        entries[k] = {d.Inode, it->second, indices[k]};
    }
    Release(numberOf);
    std::vector<std::uint32_t> byPlace(folders.size());
    for (std::uint32_t f = 0; f < byPlace.size(); ++f)
        byPlace[f] = f;
    // Folder names are unique, so no two folders tie on their first file (a file has one
    // folder); the number breaks ties between records without an identity.
    std::sort(byPlace.begin(), byPlace.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::tie(folders[a].device, folders[a].firstInode, a) <
               std::tie(folders[b].device, folders[b].firstInode, b);
    });
    for (std::uint32_t r = 0; r < byPlace.size(); ++r)
        folders[byPlace[r]].rank = r;
    for (Entry &e : entries)
        e.folder = folders[e.folder].rank;
    Release(folders);
    Release(byPlace);
    std::sort(entries.begin(), entries.end(), [](const Entry &x, const Entry &y) {
        return std::tie(x.folder, x.inode, x.index) < std::tie(y.folder, y.inode, y.index);
    });
    for (std::size_t k = 0; k < entries.size(); ++k)
        indices[k] = entries[k].index;
}

// What the pass knows of a record beyond its whole-file digest (which the record holds).
// Kept apart and small: a search may hold millions of records here.
enum KnownFlags : std::uint8_t {
    kHasPrefix = 1, // m_prefix holds the hash of its first block
    kFresh = 2,     // something was read now: remember it
};

class ContentPass {
public:
    ContentPass(FileList &list, const ContentPassOptions &options, ScanProgress &progress,
                const std::stop_token &stop, double totalKB)
        : m_list(list), m_options(options), m_progress(progress), m_stop(stop),
          m_gauge(progress, totalKB), m_prefix(list.size()), m_flags(list.size())
    {
        m_threads = options.threads != 0 ? options.threads
                                         : std::max(1u, std::thread::hardware_concurrency());
        m_readers = options.threads != 0 ? options.threads : std::max(m_threads, kSmallFileReaders);
    }

    bool run()
    {
        m_progress.setGauge(0);
        std::vector<std::uint32_t> onDisk;
        for (std::uint32_t i = 0; i < m_list.size(); ++i) {
            TFileData &d = m_list[i];
            if (d.OnDisk) {
                d.CrcKnown = false;
                d.CRC = 0;
                onDisk.push_back(i);
            }
        }
        if (m_options.signature) {
            std::uint64_t bytes = 0;
            for (std::uint32_t i : onDisk)
                bytes += fileBytes(i);
            m_progress.planRead(onDisk.size(), bytes);
            m_progress.settleReadPlan();
            sortByDiskOrder(m_list, onDisk);
            // Decoding costs many times the read of a picture, even from a disk that seeks, so
            // signatures go on every reader whatever the disk; and one picture at a time, so
            // that at the end no reader waits on another's last few (tens of milliseconds each).
            if (m_options.signaturePair)
                return signPairs(onDisk);
            return read(
                onDisk,
                [&](TFileData &d, std::vector<std::byte> &, FolderOpener &) {
                    m_options.signature(d);
                    // The decoder reads the whole picture (or gives up on it early; either
                    // way it is done with).
                    m_progress.addRead(
                        static_cast<std::uint64_t>(std::max<std::int64_t>(0, d.FileSize)));
                },
                /*anyDisk=*/true, /*claim=*/1);
        }
        useCache(onDisk);
        std::vector<std::uint32_t> toRead;
        if (!choose(onDisk, toRead))
            return false;
        if (!readWhole(toRead))
            return false;
        remember(onDisk);
        return true;
    }

private:
    void useCache(const std::vector<std::uint32_t> &onDisk)
    {
        if (!m_options.cache)
            return;
        std::vector<std::optional<CachedDigest>> found;
        m_options.cache->lookup(m_list, onDisk, found);
        for (std::size_t k = 0; k < onDisk.size(); ++k) {
            if (!found[k])
                continue;
            const std::uint32_t i = onDisk[k];
            if (found[k]->hasPrefix) {
                m_prefix[i] = found[k]->prefix;
                m_flags[i] |= kHasPrefix;
            }
            if (found[k]->hasFull) {
                TFileData &d = m_list[i];
                d.CrcKnown = true;
                d.CRC = found[k]->crc;
                d.Hash = found[k]->hash;
            }
        }
    }

    bool hasFull(std::uint32_t i) const { return m_list[i].CrcKnown; }
    std::uint64_t fileBytes(std::uint32_t i) const
    {
        return static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_list[i].FileSize));
    }
    std::uint64_t headBytes(std::uint32_t i) const
    {
        return std::min<std::uint64_t>(kPrefixBlockSize, fileBytes(i));
    }

    // Decides which records must be read whole; reads first blocks where that decides.
    bool choose(const std::vector<std::uint32_t> &onDisk, std::vector<std::uint32_t> &toRead)
    {
        bool anyDatabase = false;
        std::unordered_set<std::uint32_t> databaseSizes;
        for (const TFileData &d : m_list) {
            if (!d.OnDisk) {
                anyDatabase = true;
                databaseSizes.insert(static_cast<std::uint32_t>(d.FileSize));
            }
        }
        auto wantWhole = [&](std::uint32_t i) {
            if (hasFull(i))
                m_gauge.add(m_list[i].FileSize);
            else
                toRead.push_back(i);
        };
        if (!m_options.skipUnmatchable || (anyDatabase && m_options.databaseMatchesAnySize)) {
            for (std::uint32_t i : onDisk)
                wantWhole(i);
            return true;
        }
        const std::vector<std::uint32_t> bySize = orderBySize(onDisk);
        auto sizeAt = [&](std::size_t k) { return m_list[bySize[k]].FileSize; };

        std::vector<std::uint32_t> probe; // larger size mates: their first blocks decide
        for (std::size_t b = 0; b < bySize.size();) {
            std::size_t e = b + 1;
            while (e < bySize.size() && sizeAt(e) == sizeAt(b))
                ++e;
            const std::int64_t size = sizeAt(b);
            const bool sharedWithDatabase =
                databaseSizes.count(static_cast<std::uint32_t>(size)) > 0;
            if (sharedWithDatabase || (e - b >= 2 && size <= kReadWholeBelow)) {
                for (std::size_t i = b; i < e; ++i)
                    wantWhole(bySize[i]);
            } else if (e - b >= 2) {
                for (std::size_t i = b; i < e; ++i)
                    probe.push_back(bySize[i]);
            } else {
                m_gauge.add(size); // alone with its size: no partner possible
            }
            b = e;
        }
        return probeHeads(probe, toRead);
    }

    // `onDisk` (in list order) ordered by size, list order within a size.
    std::vector<std::uint32_t> orderBySize(const std::vector<std::uint32_t> &onDisk) const
    {
        // After a pass on sizes the size mates lie side by side, so it is enough to order the
        // runs of one size; unless two runs share a size, that is the order of the records.
        struct Run {
            std::int64_t size;
            std::uint32_t begin, end; // places in onDisk
        };
        std::vector<Run> runs;
        for (std::uint32_t k = 0; k < onDisk.size(); ++k) {
            const std::int64_t size = m_list[onDisk[k]].FileSize;
            if (runs.empty() || runs.back().size != size)
                runs.push_back({size, k, k + 1});
            else
                runs.back().end = k + 1;
        }
        std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) {
            return std::tie(a.size, a.begin) < std::tie(b.size, b.begin);
        });
        std::vector<std::uint32_t> bySize;
        bySize.reserve(onDisk.size());
        for (std::size_t r = 0; r < runs.size(); ++r) {
            if (r > 0 && runs[r].size == runs[r - 1].size)
                break; // one size in several runs
            bySize.insert(bySize.end(), onDisk.begin() + runs[r].begin,
                          onDisk.begin() + runs[r].end);
        }
        if (bySize.size() == onDisk.size())
            return bySize;
        // Sorted by a key of their own: the records, in the list's order, are read once.
        std::vector<std::pair<std::int64_t, std::uint32_t>> sized(onDisk.size());
        for (std::size_t k = 0; k < onDisk.size(); ++k)
            sized[k] = {m_list[onDisk[k]].FileSize, onDisk[k]};
        std::sort(sized.begin(), sized.end());
        bySize.resize(sized.size());
        for (std::size_t k = 0; k < sized.size(); ++k)
            bySize[k] = sized[k].second;
        return bySize;
    }

    bool probeHeads(const std::vector<std::uint32_t> &probe, std::vector<std::uint32_t> &toRead)
    {
        // probe is ordered by size: size mates are adjacent. Heads known from the cache (or
        // from a whole read) are not read again.
        std::vector<std::uint32_t> missing;
        for (std::uint32_t i : probe)
            if (!(m_flags[i] & kHasPrefix))
                missing.push_back(i);
        // Every file the pass will open is known now: the heads and the files already chosen
        // whole (a file whose head matches is read whole later, but counted here once).
        std::uint64_t bytes = 0;
        for (std::uint32_t i : missing)
            bytes += headBytes(i);
        for (std::uint32_t i : toRead)
            bytes += fileBytes(i);
        m_progress.planRead(missing.size() + toRead.size(), bytes);
        m_plannedWholes = toRead.size();
        sortByDiskOrder(m_list, missing);
        std::vector<char> readable(m_list.size(), 1);
        if (!readHeads(missing, readable))
            return false;
        chooseByHeads(probe, readable, toRead);
        return true;
    }

    // Reads the first blocks of `missing`; a file that cannot be read is marked in `readable`.
    bool readHeads(const std::vector<std::uint32_t> &missing, std::vector<char> &readable)
    {
        return runParallel(
            missing.size(), m_readers, m_stop,
            [&](std::size_t k, std::vector<std::byte> &buffer, FolderOpener &opener) {
                const std::uint32_t i = missing[k];
                const TFileData &d = m_list[i];
                const ExpectedFile expected = ExpectedFile::of(d);
                auto file = opener.open(d);
                const auto head = file.isOpen()
                                      ? ReadPrefixHash(file, buffer, kPrefixBlockSize, &expected)
                                      : std::nullopt;
                m_progress.addRead(head ? headBytes(i) : 0);
                if (!head)
                    m_progress.unplanBytes(headBytes(i));
                if (head) {
                    m_prefix[i] = *head;
                    m_flags[i] |= kHasPrefix | kFresh;
                } else {
                    readable[i] = 0;
                }
            });
    }

    // Of each run of size mates in `probe`, those whose first block matches another's are read
    // whole; the others are done with.
    void chooseByHeads(const std::vector<std::uint32_t> &probe, const std::vector<char> &readable,
                       std::vector<std::uint32_t> &toRead)
    {
        std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed;
        for (std::size_t b = 0; b < probe.size();) {
            std::size_t e = b + 1;
            while (e < probe.size() && m_list[probe[e]].FileSize == m_list[probe[b]].FileSize)
                ++e;
            keyed.clear();
            for (std::size_t k = b; k < e; ++k) {
                const std::uint32_t i = probe[k];
                if (readable[i])
                    keyed.emplace_back(m_prefix[i], i);
                else
                    m_gauge.add(m_list[i].FileSize); // unreadable: no CRC
            }
            std::sort(keyed.begin(), keyed.end());
            for (std::size_t k = 0; k < keyed.size(); ++k) {
                const bool mate = (k > 0 && keyed[k - 1].first == keyed[k].first) ||
                                  (k + 1 < keyed.size() && keyed[k + 1].first == keyed[k].first);
                if (mate && !hasFull(keyed[k].second))
                    toRead.push_back(keyed[k].second);
                else
                    m_gauge.add(m_list[keyed[k].second].FileSize);
            }
            b = e;
        }
    }

    // Signatures two by two, on every reader (as one by one above).
    bool signPairs(const std::vector<std::uint32_t> &onDisk)
    {
        const std::size_t pairs = (onDisk.size() + 1) / 2;
        return runParallel(
            pairs, m_threads, m_stop,
            [&](std::size_t k, std::vector<std::byte> &, FolderOpener &) {
                TFileData &first = m_list[onDisk[2 * k]];
                m_progress.setItem(first.FullName);
                if (2 * k + 1 < onDisk.size()) {
                    TFileData &second = m_list[onDisk[2 * k + 1]];
                    m_options.signaturePair(first, second);
                    done(first);
                    done(second);
                } else {
                    m_options.signature(first);
                    done(first);
                }
            },
            /*claim=*/1);
    }

    void done(const TFileData &d)
    {
        m_progress.addRead(static_cast<std::uint64_t>(std::max<std::int64_t>(0, d.FileSize)));
        m_gauge.add(d.FileSize);
    }

    template<typename Work>
    bool read(std::vector<std::uint32_t> &indices, Work &&work, bool anyDisk = false,
              std::size_t claim = kClaim)
    {
        // On a seeking disk, small files still go on all readers (their cost is mostly the
        // system's, not the head's); large ones on two at most. Pictures are decoded on as many
        // threads as there are cores: the decoding, not the disk, is their cost.
        std::vector<std::uint32_t> small, large;
        for (std::uint32_t i : indices) {
            const TFileData &d = m_list[i];
            const bool seeks = !anyDisk && d.FileSize > kSmallFile && rotational(d.Device);
            (seeks ? large : small).push_back(i);
        }
        auto run = [&](const std::vector<std::uint32_t> &part, unsigned threads) {
            return runParallel(
                part.size(), threads, m_stop,
                [&](std::size_t k, std::vector<std::byte> &buffer, FolderOpener &opener) {
                    TFileData &d = m_list[part[k]];
                    m_progress.setItem(d.FullName);
                    work(d, buffer, opener);
                    m_gauge.add(d.FileSize);
                },
                claim);
        };
        return run(small, anyDisk ? m_threads : m_readers) &&
               run(large, std::min(m_threads, kSeekingReaders));
    }

    bool readWhole(std::vector<std::uint32_t> &toRead)
    {
        // The files chosen after their heads were read (or all of them, where no head decides);
        // a file whose head was read now is counted already.
        std::uint64_t files = 0, bytes = 0;
        for (std::size_t k = m_plannedWholes; k < toRead.size(); ++k) {
            files += (m_flags[toRead[k]] & kFresh) ? 0 : 1;
            bytes += fileBytes(toRead[k]);
        }
        m_progress.planRead(files, bytes);
        m_progress.settleReadPlan();
        sortByDiskOrder(m_list, toRead);
        return read(
            toRead, [&](TFileData &d, std::vector<std::byte> &buffer, FolderOpener &opener) {
                const auto i = static_cast<std::uint32_t>(&d - m_list.data());
                const bool headRead = (m_flags[i] & kFresh) != 0;
                const ExpectedFile expected = ExpectedFile::of(d);
                auto file = opener.open(d);
                const auto digest =
                    file.isOpen() ? ReadDigest(file, buffer, m_stop, &expected) : std::nullopt;
                const std::uint64_t got = digest ? digest->bytes : 0;
                m_progress.addRead(got, /*newFile=*/!headRead);
                if (got < fileBytes(i))
                    m_progress.unplanBytes(fileBytes(i) - got);
                if (digest) {
                    d.CrcKnown = true;
                    d.CRC = digest->crc;
                    d.Hash = digest->hash;
                    m_prefix[i] = digest->prefix;
                    m_flags[i] |= kHasPrefix | kFresh;
                }
            });
    }

    void remember(const std::vector<std::uint32_t> &onDisk)
    {
        if (!m_options.cache)
            return;
        std::vector<std::uint32_t> indices;
        std::vector<CachedDigest> digests;
        for (std::uint32_t i : onDisk) {
            if (m_flags[i] & kFresh) {
                const TFileData &d = m_list[i];
                indices.push_back(i);
                digests.push_back(
                    {d.CrcKnown, d.CRC, d.Hash, (m_flags[i] & kHasPrefix) != 0, m_prefix[i]});
            }
        }
        m_options.cache->store(m_list, indices, digests);
    }

    bool rotational(std::uint64_t device)
    {
        auto it = m_rotational.find(device);
        if (it == m_rotational.end())
            it = m_rotational.emplace(device, platform::DeviceIsRotational(device)).first;
        return it->second;
    }

    FileList &m_list;
    const ContentPassOptions &m_options;
    ScanProgress &m_progress;
    const std::stop_token &m_stop;
    Gauge m_gauge;
    std::vector<std::uint64_t> m_prefix;
    std::vector<std::uint8_t> m_flags;
    unsigned m_threads = 1;          // the cores
    unsigned m_readers = 1;          // reads in flight
    std::size_t m_plannedWholes = 0; // the first entries of the whole reads, counted in the plan
    std::map<std::uint64_t, bool> m_rotational; // asked on the pass's own thread only
};

} // namespace

bool ComputeContent(FileList &list, const ContentPassOptions &options, ScanProgress &progress,
                    const std::stop_token &stop, double totalKB)
{
    return ContentPass(list, options, progress, stop, totalKB).run();
}

} // namespace twinly
