// SPDX-License-Identifier: GPL-3.0-or-later
// A JPEG decoded the reduced way (JpegScans::Needed) against libjpeg's whole decode, and damaged
// copies of a file to put through both.
#pragma once

#include "jpeg_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>

namespace twinly::test {

inline std::span<const std::byte> BytesOf(const std::string &s)
{
    return {reinterpret_cast<const std::byte *>(s.data()), s.size()};
}

// Both decodes agree on success, sizes and every pixel; gives the route of the reduced one.
inline visual::JpegRoute ExpectSameJpegPixels(const std::string &file, int minSide,
                                              const std::string &label)
{
    using namespace visual;
    JpegPicture needed, all;
    JpegRoute route = JpegRoute::Whole;
    const bool a = DecodeJpeg(BytesOf(file), minSide, needed, platform::kMaxPicturePixels,
                              JpegScans::Needed, &route);
    const bool b =
        DecodeJpeg(BytesOf(file), minSide, all, platform::kMaxPicturePixels, JpegScans::All);
    EXPECT_EQ(a, b) << label;
    EXPECT_EQ(needed.fullWidth, all.fullWidth) << label;
    EXPECT_EQ(needed.fullHeight, all.fullHeight) << label;
    EXPECT_EQ(needed.image.width, all.image.width) << label;
    EXPECT_EQ(needed.image.height, all.image.height) << label;
    EXPECT_TRUE(needed.image.pixels == all.image.pixels) << label;
    return route;
}

// `file` with one to four bytes changed (a third of them to 0xFF, the marker byte), and cut
// short at a random place when `cut`.
inline std::string DamagedCopy(const std::string &file, std::mt19937 &random, bool cut)
{
    std::string damaged = file;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < changes; ++k) {
        const std::size_t at = random() % damaged.size();
        damaged[at] = static_cast<char>(random() % 3 == 0 ? 0xFF : random());
    }
    if (cut)
        damaged.resize(random() % damaged.size());
    return damaged;
}

} // namespace twinly::test
