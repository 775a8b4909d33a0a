// SPDX-License-Identifier: GPL-3.0-or-later
// Input: the bytes of a JPEG file, taken through everything a signature does with it.
#include "jpeg_reader.h"
#include "signature.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace twinly::visual;
    // A small pixel cap keeps each run quick; the cap's own logic is the one a search uses.
    constexpr std::int64_t kFuzzPixels = 4'000'000;
    JpegPicture picture;
    const auto bytes = std::as_bytes(std::span(data, size));
    // Scans left out of a reduced decode never change a pixel.
    {
        JpegPicture needed, all;
        const bool a = DecodeJpeg(bytes, 100, needed, kFuzzPixels, JpegScans::Needed);
        const bool b = DecodeJpeg(bytes, 100, all, kFuzzPixels, JpegScans::All);
        if (a != b || needed.image.pixels != all.image.pixels)
            __builtin_trap();
    }
    for (int minSide : {100, 0}) {
        if (!DecodeJpeg(bytes, minSide, picture, kFuzzPixels)) {
            if (!picture.image.pixels.empty())
                __builtin_trap();
            return 0;
        }
        const auto &image = picture.image;
        if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height ||
            image.width > picture.fullWidth || image.height > picture.fullHeight)
            __builtin_trap();
        twinly::VisualSettings settings;
        settings.Splitting = 3;
        const SignatureGeometry g = GeometryOf(settings);
        twinly::ImageSignature signature;
        FillSquareValues(ResizeForSignature(image, g.side), g, signature);
        if (signature.SquareValues.size() != static_cast<std::size_t>(g.count()) ||
            signature.ValueRange < 0)
            __builtin_trap();
    }
    return 0;
}
