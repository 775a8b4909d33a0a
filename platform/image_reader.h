// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding of the picture formats the engine does not decode itself (GIF, BMP, ICO, PNG, WebP,
// TIFF). The engine
// sees only this interface; the desktop program and the command line plug in an
// implementation (platform/qt/ uses the toolkit's image readers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace twinly::platform {

// A decoded picture: 0x00RRGGBB words, rows from the top, `width` words a row.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Pictures larger than this are refused as damaged: a few bytes of a crafted file can claim
// dimensions whose pixels would not fit in memory.
inline constexpr std::int64_t kMaxPicturePixels = 100'000'000;
inline constexpr int kMaxPictureSide = 65'535;

inline bool PictureSizeAcceptable(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

class ImageReader {
public:
    virtual ~ImageReader() = default;
    // Decodes `data` as the given format only ("gif", "bmp", "ico", "png", "webp" or "tiff"; an
    // animated GIF or WebP gives its first frame, a TIFF its first page), as the pixels are
    // stored: no orientation is applied. Returns false, leaving `out` empty, for damaged data, an
    // unknown format or a picture over the size limits. Must be callable from several threads at
    // once.
    virtual bool read(std::span<const std::byte> data, std::string_view format,
                      RgbImage &out) const = 0;
};

} // namespace twinly::platform
