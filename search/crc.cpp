// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc.h"

#include "file_reader.h"

#include <libdeflate.h>
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

namespace twinly {

// libdeflate's CRC-32 folds with carry-less multiplication where the processor has it (more than
// ten times a table's speed). It applies the preset and the complement itself, so the raw
// register step is its value with both undone.
std::uint32_t UpdateCRC(std::uint32_t reg, const void *buffer, std::size_t length)
{
    if (length == 0)
        return reg;
    return ~libdeflate_crc32(~reg, buffer, length);
}

std::uint32_t Crc32Of(const void *buffer, std::size_t length)
{
    return libdeflate_crc32(0, buffer, length);
}

namespace {

struct Xxh3StateDeleter {
    void operator()(XXH3_state_t *s) const { XXH3_freeState(s); }
};

StrongHash toStrongHash(XXH128_hash_t h)
{
    return StrongHash{h.low64, h.high64};
}

} // namespace

namespace {

bool isExpectedFile(const platform::FileIdentity &id, const ExpectedFile &e)
{
    if (id.Size != e.size)
        return false;
    return e.inode == 0 || (id.Device == e.device && id.Inode == e.inode);
}

} // namespace

std::optional<ContentDigest> FileDigest(const std::string &path, std::vector<std::byte> &buffer,
                                        std::stop_token stop, const ExpectedFile *expected)
{
    auto file = platform::FileReader::open(path);
    if (!file.isOpen())
        return std::nullopt;
    return ReadDigest(file, buffer, std::move(stop), expected);
}

std::optional<ContentDigest> ReadDigest(platform::FileReader &file, std::vector<std::byte> &buffer,
                                        std::stop_token stop, const ExpectedFile *expected)
{
    if (buffer.empty())
        buffer.resize(1 << 20);
    if (expected && !isExpectedFile(file.identity(), *expected))
        return std::nullopt;
    // With a known size, exactly that much is asked for: no read past the end to find it, and
    // nothing beyond what the walk saw.
    std::uint64_t left = expected ? static_cast<std::uint64_t>(expected->size) : UINT64_MAX;
    auto nextPiece = [&] {
        return static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
    };

    // Most files fit in one piece: hash them in one call, without streaming state.
    std::size_t want = nextPiece();
    std::int64_t n = file.read(buffer.data(), want);
    if (n < 0)
        return std::nullopt;
    std::size_t got = static_cast<std::size_t>(n);
    if (expected && got != want)
        return std::nullopt; // shrank since the walk
    const std::uint64_t prefix = XXH3_64bits(buffer.data(), std::min(got, kPrefixBlockSize));
    if (got < buffer.size() && (expected || got < want)) {
        return ContentDigest{Crc32Of(buffer.data(), got),
                             toStrongHash(XXH3_128bits(buffer.data(), got)), got, prefix};
    }

    std::unique_ptr<XXH3_state_t, Xxh3StateDeleter> state(XXH3_createState());
    if (!state || XXH3_128bits_reset(state.get()) == XXH_ERROR)
        return std::nullopt;
    std::uint32_t crc = 0;
    std::uint64_t total = 0;
    while (got > 0) {
        crc = libdeflate_crc32(crc, buffer.data(), got);
        total += got;
        left -= got;
        XXH3_128bits_update(state.get(), buffer.data(), got);
        if (got < want || left == 0)
            break;
        if (stop.stop_requested())
            return std::nullopt;
        want = nextPiece();
        n = file.read(buffer.data(), want);
        if (n < 0)
            return std::nullopt;
        got = static_cast<std::size_t>(n);
        if (expected && got != want)
            return std::nullopt;
    }
    if (expected) {
        // A long read gives a writer time to change the file under it.
        platform::FileIdentity now;
        if (!file.currentIdentity(now) || now.Size != expected->size ||
            now.MtimeNs != file.identity().MtimeNs)
            return std::nullopt;
    }
    return ContentDigest{crc, toStrongHash(XXH3_128bits_digest(state.get())), total, prefix};
}

bool FileCRC(const std::string &path, std::uint32_t &crc)
{
    std::vector<std::byte> buffer(1 << 20);
    const auto digest = FileDigest(path, buffer);
    if (!digest)
        return false;
    if (digest->bytes > 0)
        crc = digest->crc;
    return true;
}

std::optional<std::uint64_t> FilePrefixHash(const std::string &path, std::vector<std::byte> &buffer,
                                            std::size_t length, const ExpectedFile *expected)
{
    auto file = platform::FileReader::open(path);
    if (!file.isOpen())
        return std::nullopt;
    return ReadPrefixHash(file, buffer, length, expected);
}

std::optional<std::uint64_t> ReadPrefixHash(platform::FileReader &file,
                                            std::vector<std::byte> &buffer, std::size_t length,
                                            const ExpectedFile *expected)
{
    if (buffer.size() < length)
        buffer.resize(length);
    if (expected) {
        if (!isExpectedFile(file.identity(), *expected))
            return std::nullopt;
        length = static_cast<std::size_t>(std::min<std::uint64_t>(length, expected->size));
    }
    const std::int64_t n = file.read(buffer.data(), length);
    if (n < 0)
        return std::nullopt;
    return XXH3_64bits(buffer.data(), static_cast<std::size_t>(n));
}

} // namespace twinly
