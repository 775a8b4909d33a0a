// SPDX-License-Identifier: GPL-3.0-or-later
// Plain scaling and the 16-bit colour reduction that picture signatures are made from.
#pragma once

#include "image_reader.h"

#include <cstdint>
#include <vector>

namespace twinly::visual {

using Bitmap = platform::RgbImage;

// 16 bits a pixel, 5-6-5: red in bits 15-11, green 10-5, blue 4-0. Rows from the top.
struct Bitmap16 {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> words;
};

// Draws the whole source into the whole destination, keeping the destination's size: pixels
// are repeated or dropped, never blended. Destination pixel (x, y) takes source pixel
// (x * srcW / dstW, y * srcH / dstH), rounded down. An empty source leaves the destination alone.
void StretchCopy(const Bitmap &source, Bitmap &destination);

// Each channel keeps its top bits.
inline std::uint16_t Pack565(std::uint32_t rgb)
{
    return static_cast<std::uint16_t>(((rgb >> 8) & 0xF800u) | ((rgb >> 5) & 0x07E0u) |
                                      ((rgb >> 3) & 0x001Fu));
}

Bitmap16 To565(const Bitmap &bitmap);

} // namespace twinly::visual
