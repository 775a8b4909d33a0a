// SPDX-License-Identifier: GPL-3.0-or-later
// CRC database files (".twd"): a signed 32-bit little-endian count N followed by N pairs of
// (signed 32-bit size, 32-bit CRC), nothing else. Existing databases on users' media use this
// layout, so it never changes: sizes of 4 GiB and more keep only their low 32 bits here.
#pragma once

#include "file_data.h"
#include "messages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace twinly {

// Double quotes typed around (or inside) a file name are not part of it.
std::string StripQuotes(std::string_view name);

// The entries of the loaded databases, in load order. A database can hold hundreds of millions
// of entries, so they are kept as bare pairs (8 bytes each) and become "Off line" records only
// where a search can use them.
struct CrcDbEntry {
    std::int32_t size;
    std::uint32_t crc;
};
struct CrcDatabase {
    std::vector<CrcDbEntry> entries;
    // (first entry, time): every entry from `first` on was loaded at `time`, up to the next run.
    std::vector<std::pair<std::size_t, DosTime>> loadTimes;

    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }
    DosTime loadTimeOf(std::size_t index) const;
    // The "Off line" record of entry `index`.
    TFileData record(std::size_t index) const;
    // Every entry as a record, in order.
    FileList records() const;
};

// Checks a whole database held in memory and appends its entries; on damage, appends nothing and
// returns the reason.
std::optional<std::string> ParseCRCDatabase(std::string_view bytes, DosTime loadTime,
                                            CrcDatabase &db);

// The most entries loaded databases may hold together: what fits in half of the machine's memory.
std::size_t DefaultMaxDatabaseEntries();

// Appends every entry of the file. A file that cannot be read whole (missing, shorter than its
// count says, a negative count, more entries than memory holds) adds nothing and gives the
// "str1" reading message.
std::optional<UserMessage> LoadCRCDatabase(std::string_view name, CrcDatabase &db,
                                           std::size_t maxEntries = DefaultMaxDatabaseEntries());
// Every database of the list in order; one message per file that failed.
std::vector<UserMessage> LoadCRCDatabases(const std::vector<std::string> &names, CrcDatabase &db);

// Keeps the first record of each (size, CRC) pair in list order. Records whose content could
// not be read have no CRC to record and are dropped too.
void RemoveRepeatedEntries(FileList &list);

// Writes every record's (size, CRC) pair, in order. The file is written beside the target and
// renamed over it, so a failed save leaves an earlier database as it was; a link is written
// through, and a name that leads to a folder, a device or a FIFO is refused and left alone.
std::optional<UserMessage> SaveCRCDatabase(std::string_view name, const FileList &list);

} // namespace twinly
