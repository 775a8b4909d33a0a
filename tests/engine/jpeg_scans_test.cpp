// SPDX-License-Identifier: GPL-3.0-or-later
// A progressive JPEG decoded at 1/8 without the scans its pixels do not need must give exactly
// the pixels of a decode of every scan, and any file that is not laid out as expected must be
// decoded whole.
#include "jpeg_compare.h"
#include "jpeg_reader.h"
#include "jpeg_scans.h"
#include "picture_files.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace twinly;
using namespace twinly::visual;

namespace {

using test::BytesOf;
using test::ExpectSameJpegPixels;

DcOnlyComponents allDcOnly()
{
    DcOnlyComponents d;
    d.fill(true);
    return d;
}

} // namespace

TEST(JpegScans, AProgressiveFileGivesThePixelsOfEveryScanFromFewerScans)
{
    struct Case {
        const char *name;
        test::JpegLayout layout;
    };
    test::JpegLayout p420, p422, p444, grey, restarts;
    p420.progressive = p422.progressive = p444.progressive = grey.progressive = true;
    p422.lumaV = 1;
    p444.lumaH = p444.lumaV = 1;
    grey.grey = true;
    restarts = p420;
    restarts.restartRows = 2;
    for (const Case &c : {Case{"4:2:0", p420}, Case{"4:2:2", p422}, Case{"4:4:4", p444},
                          Case{"grey", grey}, Case{"restarts", restarts}}) {
        // Sides that are and are not multiples of a block, at 1/8 and (too small for it) 1/4.
        for (const auto &[w, h] :
             {std::pair{1600, 1200}, std::pair{1203, 905}, std::pair{803, 1611}}) {
            const std::string file =
                test::EncodeJpeg(test::MakeScene(w, h, static_cast<unsigned>(w)), c.layout);
            const std::string label = std::string(c.name) + " " + std::to_string(w);
            ExpectSameJpegPixels(file, 100, label);
            ExpectSameJpegPixels(file, 150, label); // 1/4 for the narrow ones
            std::vector<std::byte> fewer;
            DcOnlyComponents luma{};
            luma[1] = true; // libjpeg numbers components from 1
            ASSERT_TRUE(DropUnneededScans(BytesOf(file), luma, 500, fewer)) << label;
            EXPECT_LT(fewer.size(), file.size() * 9 / 10) << label;
        }
    }
}

TEST(JpegScans, FilesNotLaidOutAsExpectedAreDecodedWhole)
{
    const visual::Bitmap scene = test::MakeScene(1600, 1200, 3);
    test::JpegLayout progressive;
    progressive.progressive = true;
    const std::string file = test::EncodeJpeg(scene, progressive);
    std::vector<std::byte> out;
    const DcOnlyComponents dc = allDcOnly();

    EXPECT_FALSE(DropUnneededScans(BytesOf(test::EncodeJpeg(scene)), dc, 500, out)) << "baseline";
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(DropUnneededScans(BytesOf(file), DcOnlyComponents{}, 500, out))
        << "nothing to drop";
    EXPECT_FALSE(DropUnneededScans(BytesOf(file), dc, 5, out)) << "more scans than allowed";
    for (std::size_t cut : {file.size() - 1, file.size() - 2, file.size() / 2, std::size_t{200}})
        EXPECT_FALSE(DropUnneededScans(BytesOf(file.substr(0, cut)), dc, 500, out)) << cut;

    // Left unrefined, coefficients get the decoder's smoothing, which dropping scans would
    // change: such a file is decoded whole, and gives what it gave before.
    test::JpegLayout unrefined = progressive;
    unrefined.leaveOutLastScan = true;
    const std::string partial = test::EncodeJpeg(scene, unrefined);
    EXPECT_FALSE(DropUnneededScans(BytesOf(partial), dc, 500, out));
    ExpectSameJpegPixels(partial, 100, "unrefined");

    // A file cut short stays refused.
    JpegPicture picture;
    EXPECT_FALSE(DecodeJpeg(BytesOf(file.substr(0, file.size() - 100)), 100, picture));
}

// Damage anywhere in a progressive file: the walk never reads outside the file, and whenever a
// damaged file decodes at all, both ways give the same pixels.
TEST(JpegScans, DamagedFilesDecodeAlikeBothWays)
{
    test::JpegLayout progressive;
    progressive.progressive = true;
    const std::string file = test::EncodeJpeg(test::MakeScene(840, 840, 4), progressive);
    std::mt19937 random(9);
    for (int round = 0; round < 300; ++round)
        ExpectSameJpegPixels(test::DamagedCopy(file, random, round % 10 == 0), 100,
                             "round " + std::to_string(round));
}
