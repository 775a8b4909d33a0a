// SPDX-License-Identifier: GPL-3.0-or-later
// Every offset and length below comes from the file, so every read is checked against the end
// of the bytes first, and every walk over a list of blocks has a fixed bound: a crafted file can
// neither read outside its bytes nor keep the parser busy.
#include "orientation.h"

#include <cstdint>
#include <cstring>

namespace twinly::visual {

namespace {

constexpr int kMaxBlocks = 4096; // markers, chunks or directory entries looked at per file
constexpr std::uint16_t kOrientationTag = 0x0112;

struct Bytes {
    std::span<const std::byte> data;

    bool has(std::size_t at, std::size_t n) const
    {
        return at <= data.size() && n <= data.size() - at;
    }
    unsigned u8(std::size_t at) const { return std::to_integer<unsigned>(data[at]); }
    std::uint32_t be16(std::size_t at) const { return u8(at) << 8 | u8(at + 1); }
    std::uint32_t le16(std::size_t at) const { return u8(at) | u8(at + 1) << 8; }
    std::uint32_t be32(std::size_t at) const { return be16(at) << 16 | be16(at + 2); }
    std::uint32_t le32(std::size_t at) const { return le16(at) | le16(at + 2) << 16; }
    bool startsWith(std::size_t at, std::string_view text) const
    {
        return has(at, text.size()) && std::memcmp(data.data() + at, text.data(), text.size()) == 0;
    }
};

int fromExifBlock(std::span<const std::byte> block)
{
    // "Exif" and two zero bytes before the TIFF structure; some writers leave them out.
    const Bytes b{block};
    if (b.startsWith(0, std::string_view("Exif\0\0", 6)))
        return OrientationInTiff(block.subspan(6));
    return OrientationInTiff(block);
}

int inJpeg(const Bytes b)
{
    if (!b.has(0, 2) || b.u8(0) != 0xFF || b.u8(1) != 0xD8)
        return kUpright;
    std::size_t at = 2;
    for (int blocks = 0; blocks < kMaxBlocks; ++blocks) {
        if (!b.has(at, 2) || b.u8(at) != 0xFF)
            return kUpright;
        const unsigned marker = b.u8(at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        at += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // no length follows
        if (marker == 0xDA || marker == 0xD9 || !b.has(at, 2))
            return kUpright; // the picture data starts: the tag comes before it or not at all
        const std::size_t length = b.be16(at);
        if (length < 2 || !b.has(at, length))
            return kUpright;
        if (marker == 0xE1 && b.startsWith(at + 2, std::string_view("Exif\0\0", 6)))
            return OrientationInTiff(b.data.subspan(at + 8, length - 8));
        at += length;
    }
    return kUpright;
}

int inWebp(const Bytes b)
{
    if (!b.startsWith(0, "RIFF") || !b.startsWith(8, "WEBP"))
        return kUpright;
    std::size_t at = 12;
    for (int blocks = 0; blocks < kMaxBlocks && b.has(at, 8); ++blocks) {
        const std::size_t size = b.le32(at + 4);
        if (!b.has(at + 8, size))
            return kUpright;
        if (b.startsWith(at, "EXIF"))
            return fromExifBlock(b.data.subspan(at + 8, size));
        at += 8 + size + (size & 1);
    }
    return kUpright;
}

int inPng(const Bytes b)
{
    if (!b.startsWith(0, "\x89PNG\r\n\x1a\n"))
        return kUpright;
    std::size_t at = 8;
    for (int blocks = 0; blocks < kMaxBlocks && b.has(at, 12); ++blocks) {
        const std::size_t size = b.be32(at);
        if (!b.has(at + 8, size) || !b.has(at + 8 + size, 4))
            return kUpright;
        if (b.startsWith(at + 4, "eXIf"))
            return fromExifBlock(b.data.subspan(at + 8, size));
        if (b.startsWith(at + 4, "IEND"))
            return kUpright;
        at += 12 + size;
    }
    return kUpright;
}

} // namespace

int OrientationInTiff(std::span<const std::byte> tiff)
{
    const Bytes b{tiff};
    if (!b.has(0, 8))
        return kUpright;
    const bool little = b.startsWith(0, "II");
    if (!little && !b.startsWith(0, "MM"))
        return kUpright;
    const auto u16 = [&](std::size_t at) { return little ? b.le16(at) : b.be16(at); };
    const auto u32 = [&](std::size_t at) { return little ? b.le32(at) : b.be32(at); };
    if (u16(2) != 42)
        return kUpright;
    // The first directory describes the main picture; the orientation is one of its entries.
    const std::size_t directory = u32(4);
    if (!b.has(directory, 2))
        return kUpright;
    const std::size_t entries = u16(directory);
    for (std::size_t i = 0; i < entries && i < kMaxBlocks; ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (!b.has(entry, 12))
            return kUpright;
        if (u16(entry) != kOrientationTag)
            continue;
        // A SHORT, one of it, held in the entry itself.
        if (u16(entry + 2) != 3 || u32(entry + 4) != 1)
            return kUpright;
        const std::uint32_t value = u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : kUpright;
    }
    return kUpright;
}

int OrientationOfFile(std::span<const std::byte> file, std::string_view format)
{
    const Bytes b{file};
    if (format == "jpeg")
        return inJpeg(b);
    if (format == "tiff")
        return OrientationInTiff(file);
    if (format == "webp")
        return inWebp(b);
    if (format == "png")
        return inPng(b);
    return kUpright;
}

Bitmap Upright(const Bitmap &stored, int orientation)
{
    if (orientation < 2 || orientation > 8 || stored.width <= 0 || stored.height <= 0)
        return stored;
    Bitmap out;
    out.width = SwapsSides(orientation) ? stored.height : stored.width;
    out.height = SwapsSides(orientation) ? stored.width : stored.height;
    out.pixels.resize(stored.pixels.size());
    const auto sw = static_cast<std::size_t>(stored.width);
    std::uint32_t *to = out.pixels.data();
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const StoredPosition p = StoredPixelOf(orientation, x, y, out.width, out.height);
            *to++ =
                stored.pixels[static_cast<std::size_t>(p.y) * sw + static_cast<std::size_t>(p.x)];
        }
    return out;
}

} // namespace twinly::visual
