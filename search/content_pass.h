// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "file_data.h"
#include "hash_cache.h"
#include "progress.h"

#include <functional>
#include <stop_token>

namespace twinly {

struct ContentPassOptions {
    unsigned threads = 0; // 0: one per core
    // Skip reading files that provably match nothing: a file whose first block differs from
    // that of every other file of its size (and whose size no database entry shares) cannot
    // have a partner, so it is left without a CRC. Off where every file needs its CRC (Create
    // CRC DB mode).
    bool skipUnmatchable = true;
    // Sizes need not be equal (IgnoreSize): a database entry may then match a file of any size,
    // so with database entries present every file is read.
    bool databaseMatchesAnySize = false;
    // The picture signature instead of the CRC (visual comparison); runs on the same workers.
    std::function<void(TFileData &)> signature;
    // Optional: two signatures at once, as `signature` gives each (the decoder can take two
    // pictures in turns on one core). Pictures then go to the readers two by two.
    std::function<void(TFileData &, TFileData &)> signaturePair;
    // Checksums remembered from earlier searches; what is read is remembered there in turn.
    HashCache *cache = nullptr;
};

// Gives every record on disk its CRC and strong hash (or its signature), reading files on
// several threads. Database entries are left alone. The gauge follows the KiB done against
// `totalKB`. Returns false when stopped.
bool ComputeContent(FileList &list, const ContentPassOptions &options, ScanProgress &progress,
                    const std::stop_token &stop, double totalKB);

} // namespace twinly
