// SPDX-License-Identifier: GPL-3.0-or-later
// Checksums remembered between searches, so that a rescan reads only what changed.
//
// A file is remembered by who it is (device and inode) together with what it looked like when
// it was read: size, and modification and change times to the nanosecond. A remembered
// checksum is used only when all of these still agree with what the walk saw; any write to the
// file, any rename over it, any change of its metadata moves its change time, and the file is
// read again. The cache holds no content and no names.
//
// The store is an LMDB environment (a memory-mapped B-tree, safe for several processes at once,
// with one writer at a time). A store that cannot be opened, or that another program or another
// version of this one wrote, is set aside and made anew; a search never fails for the cache's
// sake, it only reads more.
#pragma once

#include "file_data.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace twinly {

struct CachedDigest {
    bool hasFull = false; // crc and hash of the whole file
    std::uint32_t crc = 0;
    StrongHash hash;
    bool hasPrefix = false; // hash of the first block, to tell size mates apart
    std::uint64_t prefix = 0;
};

class HashCache {
public:
    // Entries kept at most; the least recently seen go first.
    static constexpr std::size_t kDefaultMaxEntries = 2'000'000;

    // The folder both programs use: $XDG_CACHE_HOME/twinly, or ~/.cache/twinly.
    static std::string DefaultFolder();

    // Opens the cache in `folder` (made when missing). Nothing when no cache can be had there;
    // a damaged or foreign store is moved aside to "<store>.bad" first and a new one made.
    static std::unique_ptr<HashCache> open(const std::string &folder,
                                           std::size_t maxEntries = kDefaultMaxEntries);
    // Asks the system to bring the store in `folder` into memory in the background (up to
    // kWarmUpBytes of it). A search calls this before its walk: from a cold disk, the look-ups
    // would otherwise wait on the store's pages one by one after it.
    static void warmUp(const std::string &folder);
    static constexpr std::uint64_t kWarmUpBytes = std::uint64_t{128} << 20;
    // Empties the cache in `folder`; false when it could not.
    static bool clear(const std::string &folder);

    ~HashCache();
    HashCache(const HashCache &) = delete;
    HashCache &operator=(const HashCache &) = delete;

    // For each record named by `indices`, what is remembered of it, when the record's identity,
    // size and times all agree with the remembered ones. `out` gets one entry per index.
    void lookup(const FileList &list, const std::vector<std::uint32_t> &indices,
                std::vector<std::optional<CachedDigest>> &out);
    // Remembers these records' digests (records without identity are passed over), and marks
    // the `seen` ones as still in use. One write; evicts beyond the cap. False when the store
    // refused the write (the search result is unaffected).
    bool store(const FileList &list, const std::vector<std::uint32_t> &indices,
               const std::vector<CachedDigest> &digests);

    std::size_t size() const;

    struct Impl;

private:
    explicit HashCache(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace twinly
