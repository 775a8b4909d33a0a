// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc_db.h"

#include "atomic_file.h"
#include "dos_time.h"
#include "file_reader.h"
#include "little_endian.h"
#include "system_info.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <new>
#include <unordered_set>

namespace twinly {

namespace {

UserMessage readError(std::string_view name, std::string_view reason)
{
    return {"str1", "Error when reading CRC DB !", std::string(name) + ": " + std::string(reason)};
}

UserMessage saveError(std::string_view name, std::string_view reason)
{
    return {"str1", "Error when saving CRC DB !", std::string(name) + ": " + std::string(reason)};
}

std::int32_t getLe32(const unsigned char *p)
{
    return static_cast<std::int32_t>(platform::Le32At(p));
}

} // namespace

std::string StripQuotes(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (char c : name)
        if (c != '"')
            out.push_back(c);
    return out;
}

DosTime CrcDatabase::loadTimeOf(std::size_t index) const
{
    auto it = std::upper_bound(loadTimes.begin(), loadTimes.end(), index,
                               [](std::size_t i, const auto &run) { return i < run.first; });
    return it == loadTimes.begin() ? 0 : std::prev(it)->second;
}

TFileData CrcDatabase::record(std::size_t index) const
{
    const CrcDbEntry &e = entries[index];
    return TFileData::databaseEntry(e.size, e.crc, loadTimeOf(index));
}

FileList CrcDatabase::records() const
{
    FileList list;
    list.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        list.push_back(record(i));
    return list;
}

std::size_t DefaultMaxDatabaseEntries()
{
    const std::uint64_t memory = platform::PhysicalMemoryBytes();
    if (memory == 0)
        return std::size_t{1} << 28;
    return static_cast<std::size_t>(memory / 2 / sizeof(CrcDbEntry));
}

namespace {

void appendEntries(const unsigned char *data, std::size_t count, CrcDatabase &db)
{
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char *pair = data + 8 * i;
        db.entries.push_back({getLe32(pair), static_cast<std::uint32_t>(getLe32(pair + 4))});
    }
}

void noteLoadTime(CrcDatabase &db, std::size_t first, DosTime loadTime)
{
    if (db.loadTimes.empty() || db.loadTimes.back().second != loadTime)
        db.loadTimes.emplace_back(first, loadTime);
}

} // namespace

std::optional<UserMessage> LoadCRCDatabase(std::string_view nameText, CrcDatabase &db,
                                           std::size_t maxEntries)
{
    const std::string name = StripQuotes(nameText);
    // The user picked this file: a link to it is followed.
    int error = 0;
    auto file = platform::FileReader::open(name, /*followLink=*/true, &error);
    if (!file.isOpen())
        return readError(name, error != 0 ? std::strerror(error) : "not a regular file");
    unsigned char header[4];
    if (file.read(header, 4) != 4)
        return readError(name, "no entry count");
    // The count is untrusted: it must fit the file before anything is allocated from it.
    const std::int32_t count = getLe32(header);
    const auto available = static_cast<std::uint64_t>(file.identity().Size) - 4;
    if (count < 0 || static_cast<std::uint64_t>(count) * 8 > available)
        return readError(name, "entry count does not match the file's length");
    const auto n = static_cast<std::size_t>(count);
    if (n > maxEntries || db.entries.size() > maxEntries - n)
        return readError(name, "too many entries to hold in memory");
    const std::size_t before = db.entries.size();
    try {
        db.entries.reserve(before + n);
        std::vector<unsigned char> piece(std::min<std::size_t>(n, 1 << 17) * 8);
        for (std::size_t done = 0; done < n;) {
            const std::size_t take = std::min(n - done, piece.size() / 8);
            if (file.read(piece.data(), take * 8) != static_cast<std::int64_t>(take * 8)) {
                db.entries.resize(before);
                return readError(name, "file ends early");
            }
            appendEntries(piece.data(), take, db);
            done += take;
        }
    } catch (const std::bad_alloc &) {
        db.entries.resize(before);
        db.entries.shrink_to_fit();
        return readError(name, "too many entries to hold in memory");
    }
    noteLoadTime(db, before, DosTimeNowForDatabase());
    return std::nullopt;
}

std::optional<std::string> ParseCRCDatabase(std::string_view bytes, DosTime loadTime,
                                            CrcDatabase &db)
{
    if (bytes.size() < 4)
        return std::string("no entry count");
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::int32_t count = getLe32(data);
    if (count < 0 || static_cast<std::uint64_t>(count) * 8 > bytes.size() - 4)
        return std::string("entry count does not match the file's length");
    const std::size_t before = db.entries.size();
    db.entries.reserve(before + static_cast<std::size_t>(count));
    appendEntries(data + 4, static_cast<std::size_t>(count), db);
    noteLoadTime(db, before, loadTime);
    return std::nullopt;
}

std::vector<UserMessage> LoadCRCDatabases(const std::vector<std::string> &names, CrcDatabase &db)
{
    std::vector<UserMessage> errors;
    for (const std::string &name : names)
        if (auto error = LoadCRCDatabase(name, db))
            errors.push_back(std::move(*error));
    return errors;
}

void RemoveRepeatedEntries(FileList &list)
{
    std::unordered_set<std::uint64_t> seen;
    seen.reserve(list.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        TFileData &d = list[i];
        if (!d.CrcKnown)
            continue;
        const std::uint64_t pair =
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(d.FileSize)) << 32 | d.CRC;
        if (!seen.insert(pair).second)
            continue;
        if (kept != i)
            list[kept] = std::move(d);
        ++kept;
    }
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(kept), list.end());
}

std::optional<UserMessage> SaveCRCDatabase(std::string_view nameText, const FileList &list)
{
    const std::string name = StripQuotes(nameText);
    std::string bytes;
    bytes.reserve(4 + 8 * list.size());
    std::uint32_t count = 0;
    platform::AppendLe32(bytes, 0); // patched below
    for (const TFileData &d : list) {
        if (!d.CrcKnown)
            continue;
        platform::AppendLe32(bytes, static_cast<std::uint32_t>(d.FileSize));
        platform::AppendLe32(bytes, d.CRC);
        ++count;
    }
    if (count > 0x7FFFFFFFu)
        return saveError(name, "too many entries");
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((count >> (8 * i)) & 0xFF);

    if (name.empty())
        return saveError(name, "empty file name");
    // Never in place: a failed save leaves an earlier database whole, and a name that leads to
    // a device or a folder is refused rather than replaced.
    if (const platform::FileWriteResult written = platform::WriteFileAtomically(name, bytes);
        !written)
        return saveError(name, written.message);
    return std::nullopt;
}

} // namespace twinly
