// SPDX-License-Identifier: GPL-3.0-or-later
// CRC-32 (ISO-HDLC / IEEE 802.3: reflected polynomial EDB88320, preset FFFFFFFF, result
// complemented) and the 128-bit hash taken in the same read of a file.
#pragma once

#include "file_data.h"
#include "file_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace twinly {

// The raw register step: no preset and no final complement inside, so that callers can feed a
// file piece by piece (UpdateCRC(UpdateCRC(r, a), b) == UpdateCRC(r, a + b)).
std::uint32_t UpdateCRC(std::uint32_t reg, const void *buffer, std::size_t length);

// CRC-32 of a whole buffer (preset and complement applied).
std::uint32_t Crc32Of(const void *buffer, std::size_t length);

// Size mates are first told apart by a hash of this many leading bytes (all of a shorter file).
inline constexpr std::size_t kPrefixBlockSize = 4096;

struct ContentDigest {
    std::uint32_t crc = 0;
    StrongHash hash;
    std::uint64_t bytes = 0;  // how much was read
    std::uint64_t prefix = 0; // what FilePrefixHash gives for the same file
};

// What the walk saw of a file. A file read for a search must still be that file, of that size:
// one that grew, shrank or was replaced since has changed, and its checksum would describe
// content the search never listed. It also bounds every read by the size the walk saw, so a
// file that reports one size and streams without end (pseudo files) cannot hold the search.
struct ExpectedFile {
    std::int64_t size = 0;
    std::uint64_t device = 0; // with inode 0, identity is not checked
    std::uint64_t inode = 0;

    static ExpectedFile of(const TFileData &d) { return {d.FileSize, d.Device, d.Inode}; }
};

// Reads a file in pieces through `buffer` (its size is the piece size) and returns its CRC and
// strong hash, or nothing when the file cannot be opened or read, or when `stop` is requested
// during the read. An empty file has CRC 0. With `expected`, a file that is no longer the one
// described there (other size or identity) gives nothing, and no more than its size is read.
std::optional<ContentDigest> FileDigest(const std::string &path, std::vector<std::byte> &buffer,
                                        std::stop_token stop = {},
                                        const ExpectedFile *expected = nullptr);

// The same on a file already open, read from where it stands (its start).
std::optional<ContentDigest> ReadDigest(platform::FileReader &file, std::vector<std::byte> &buffer,
                                        std::stop_token stop, const ExpectedFile *expected);
std::optional<std::uint64_t> ReadPrefixHash(platform::FileReader &file,
                                            std::vector<std::byte> &buffer, std::size_t length,
                                            const ExpectedFile *expected);

// CRC-32 of a whole file; false when it cannot be read. For an empty file `crc` is left as it
// was (callers start from 0).
bool FileCRC(const std::string &path, std::uint32_t &crc);

// A 64-bit hash of the first `length` bytes of a file, to rule out files whose beginning is
// unlike every other's without reading them whole.
// With `expected` as for FileDigest.
std::optional<std::uint64_t> FilePrefixHash(const std::string &path, std::vector<std::byte> &buffer,
                                            std::size_t length,
                                            const ExpectedFile *expected = nullptr);

} // namespace twinly
