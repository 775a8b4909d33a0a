// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG decoding through libjpeg, called directly.
#pragma once

#include "image_reader.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace twinly::visual {

struct JpegPicture {
    int fullWidth = 0; // the picture's own size, whatever scale it was decoded at
    int fullHeight = 0;
    platform::RgbImage image; // decoded at 1/1, 1/2, 1/4 or 1/8 of the full size
};

// Decodes at the smallest of the scales 1/8, 1/4, 1/2 and 1/1 that still gives at least
// `minSide` pixels each way (libjpeg scales inside the inverse DCT, which skips most of the
// work); minSide 0 asks for the full size. Damaged data, a file cut short, more than a few
// hundred progressive scans, or a picture over `maxPixels` give false and an empty `out`.
// Never throws through libjpeg and never exits.
// With JpegScans::Needed, a file decoded at 1/8 is read without the coded data that cannot
// change its pixels: a progressive one skips those scans (jpeg_scans.h), a baseline one is read
// by the DC walk (jpeg_baseline.h). JpegScans::All has libjpeg decode all of it, for comparison.
// `route`, when given, says which way the picture was decoded.
enum class JpegScans { Needed, All };
enum class JpegRoute { Whole, FewerScans, DcWalk };
bool DecodeJpeg(std::span<const std::byte> data, int minSide, JpegPicture &out,
                std::int64_t maxPixels = platform::kMaxPicturePixels,
                JpegScans scans = JpegScans::Needed, JpegRoute *route = nullptr);

// Two files as DecodeJpeg decodes each with JpegScans::Needed, the same pixels: two baseline
// files decoded at 1/8 are walked together (jpeg_baseline.h), every other file on its own.
// `together`, when given, says whether the two walks took turns.
void DecodeJpegPair(std::span<const std::byte> first, std::span<const std::byte> second,
                    int minSide, JpegPicture &firstOut, JpegPicture &secondOut, bool &firstOk,
                    bool &secondOk, std::int64_t maxPixels = platform::kMaxPicturePixels,
                    bool *together = nullptr);

} // namespace twinly::visual
