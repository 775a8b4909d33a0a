// SPDX-License-Identifier: GPL-3.0-or-later
// The record kept for every file a search finds and for every CRC database entry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace twinly {

// Last-write time packed the DOS way (local time, 2-second steps); 0 means "no time".
using DosTime = std::uint32_t;

// 128-bit content hash taken in the same read as the CRC. CRC-32 alone collides, so two
// files on disk count as equal in content only when this agrees as well.
struct StrongHash {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    friend bool operator==(const StrongHash &, const StrongHash &) = default;
};

// Picture signature, filled by the visual comparison; absent on every other record.
struct ImageSignature {
    std::vector<long double> SquareValues;
    std::int32_t ResizedSize = 0;
    std::int32_t SquareCount = 0;
    long double ValueRange = 0;
    double Proportion = 0;
    // Width over height had the picture been turned a quarter (height over width).
    double TurnedProportion = 0;
    // The values again as integers (each fits in 32 bits), for the quick first look of the
    // similarity test; empty when not filled in, and the test then reads only the values above.
    std::vector<std::uint32_t> Sums;
};

inline constexpr std::string_view kOfflineName = "Off line";

// One row of a search. The path is stored once: FileName and DirName are views into FullName,
// so a record costs its path text plus a few dozen bytes (a million of them fit comfortably).
struct TFileData {
    std::string FullName;
    std::uint32_t NameStart = 0; // FileName begins here; DirName ends one separator before
    DosTime FileTime = 0;
    std::int64_t FileSize = 0; // 64 bits in memory; a database keeps only the low 32
    std::uint32_t CRC = 0;
    bool OnDisk = true;
    bool CrcKnown = false; // false until the content was read (or the entry came from a database)
    // The file lies in a reference folder: an original, never to be taken away. Sits in what
    // would otherwise be padding, so the flag costs a record nothing.
    bool Reference = false;
    // Who the file is, as the walk saw it: a file is its device and inode, never its path text
    // (overlapping folders, links and "." or ".." in a folder reach one file by several texts).
    // Times are nanoseconds since the epoch; all four are 0 for database entries.
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t MtimeNs = 0;
    std::int64_t CtimeNs = 0;
    StrongHash Hash; // valid when OnDisk && CrcKnown
    std::unique_ptr<ImageSignature> Signature;

    std::string_view FileName() const { return std::string_view(FullName).substr(NameStart); }
    std::string_view DirName() const
    {
        if (!OnDisk)
            return FullName;
        return std::string_view(FullName).substr(0, NameStart == 0 ? 0 : NameStart - 1);
    }

    // A file found in folder `dir` (no trailing separator; "" stands for the root).
    static TFileData onDisk(std::string_view dir, std::string_view name, std::int64_t size,
                            DosTime time);
    // An entry of a CRC database: every name reads "Off line".
    static TFileData databaseEntry(std::int32_t size, std::uint32_t crc, DosTime loadTime);
};

using FileList = std::vector<TFileData>;

// The CRC as the lists show it: a signed decimal, as the database stores it; empty when 0 or
// unknown.
std::string CrcText(const TFileData &d);

// True when both records are files on disk and name one file (the same device and inode).
// Records without an identity (made by hand, not by the walk) fall back to their path text.
inline bool SameFile(const TFileData &a, const TFileData &b)
{
    if (!a.OnDisk || !b.OnDisk)
        return false;
    if (a.Inode != 0 && b.Inode != 0)
        return a.Device == b.Device && a.Inode == b.Inode;
    return a.FullName == b.FullName;
}

} // namespace twinly
