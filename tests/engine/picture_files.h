// SPDX-License-Identifier: GPL-3.0-or-later
// Small picture files made in code, so that tests need no binary fixtures.
#pragma once

#include "stretch.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace twinly::test {

// A picture whose pixel (x, y) (rows from the top) is paint(x, y) as 0xRRGGBB.
visual::Bitmap MakeBitmap(int width, int height,
                          const std::function<std::uint32_t(int x, int y)> &paint);

// A scene of soft shapes, different for each seed; looks the same at any size.
visual::Bitmap MakeScene(int width, int height, unsigned seed);

std::string EncodeJpeg(const visual::Bitmap &bitmap, int quality = 90);

struct JpegLayout {
    int quality = 90;
    bool progressive = false;
    bool grey = false;
    int lumaH = 2, lumaV = 2;      // the luma's sampling factors: 2 x 2 is 4:2:0, 1 x 1 is 4:4:4
    int restartRows = 0;           // a restart marker every so many MCU rows (0: none)
    bool leaveOutLastScan = false; // a progressive file whose last refinement never comes
    bool optimizeCoding = false;   // Huffman tables made for the picture
};
std::string EncodeJpeg(const visual::Bitmap &bitmap, const JpegLayout &layout);
std::string EncodeBmp24(const visual::Bitmap &bitmap);
// An uncompressed-in-effect GIF (one LZW code a pixel) with a 256-colour table built from the
// first frame's colours (at most 256 distinct). Later frames use the same table.
std::string EncodeGif(const std::vector<visual::Bitmap> &frames);
// An icon holding one 32-bit picture.
std::string EncodeIco(const visual::Bitmap &bitmap);

} // namespace twinly::test
