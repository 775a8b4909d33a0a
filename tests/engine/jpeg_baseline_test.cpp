// SPDX-License-Identifier: GPL-3.0-or-later
// A baseline JPEG read by the DC walk must give exactly the pixels libjpeg gives for it at 1/8,
// in every layout the walk takes, and any file it does not read as libjpeg would must go to
// libjpeg and give what libjpeg gives.
#include "jpeg_compare.h"
#include "jpeg_reader.h"
#include "picture_files.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

using namespace twinly;
using namespace twinly::visual;

namespace {

using test::BytesOf;
using test::ExpectSameJpegPixels;

// The scene with grain strong enough for long codes, runs of zeros and blocks with their last
// coefficient set.
visual::Bitmap grainy(int width, int height, unsigned seed, int amount)
{
    const visual::Bitmap scene = test::MakeScene(width, height, seed);
    std::mt19937 random(seed);
    return test::MakeBitmap(width, height, [&](int x, int y) {
        const std::uint32_t p = scene.pixels[static_cast<std::size_t>(y) * width + x];
        std::uint32_t out = 0;
        for (int shift : {16, 8, 0}) {
            const int noise = static_cast<int>(random() % (2 * amount + 1)) - amount;
            const int v = std::clamp(static_cast<int>((p >> shift) & 255) + noise, 0, 255);
            out |= static_cast<std::uint32_t>(v) << shift;
        }
        return out;
    });
}

// Every layout the walk takes, by name.
std::array<std::pair<const char *, test::JpegLayout>, 4> takenLayouts()
{
    test::JpegLayout p420, p422, p444, grey;
    p422.lumaV = 1;
    p444.lumaH = p444.lumaV = 1;
    grey.grey = true;
    return {{{"4:2:0", p420}, {"4:2:2", p422}, {"4:4:4", p444}, {"grey", grey}}};
}

} // namespace

TEST(JpegBaseline, EveryLayoutTakenGivesThePixelsOfLibjpeg)
{
    const auto layouts = takenLayouts();
    struct Variant {
        int quality, restartRows, grain;
        bool optimize;
    };
    // Quality 100 divides by 1: the largest coefficients, and blocks that end at their last.
    const Variant variants[] = {
        {90, 0, 0, false}, {100, 1, 40, true}, {50, 3, 12, false}, {95, 0, 60, true}};
    int round = 0;
    for (const auto &[name, base] : layouts)
        for (const auto &[w, h] : {std::pair{800, 800}, std::pair{1203, 905}, std::pair{817, 1611}})
            for (const Variant &v : variants) {
                test::JpegLayout layout = base;
                layout.quality = v.quality;
                layout.restartRows = v.restartRows;
                layout.optimizeCoding = v.optimize;
                const auto seed = static_cast<unsigned>(++round);
                const std::string file = test::EncodeJpeg(
                    v.grain ? grainy(w, h, seed, v.grain) : test::MakeScene(w, h, seed), layout);
                const std::string label = std::string(name) + " " + std::to_string(w) + " q" +
                                          std::to_string(v.quality) + " r" +
                                          std::to_string(v.restartRows);
                EXPECT_EQ(ExpectSameJpegPixels(file, 100, label), JpegRoute::DcWalk) << label;
            }
}

TEST(JpegBaseline, FilesTheWalkDoesNotReadAsLibjpegGoToLibjpeg)
{
    test::JpegLayout restarts;
    restarts.restartRows = 2;
    const std::string file = test::EncodeJpeg(grainy(960, 960, 7, 20), restarts);
    ASSERT_GT(file.size(), 1000u);
    ASSERT_EQ(file.substr(file.size() - 2), "\xFF\xD9");

    // Too small for 1/8: libjpeg's own scaled decode.
    EXPECT_EQ(ExpectSameJpegPixels(file, 150, "1/4"), JpegRoute::Whole);

    // No end marker: refused both ways.
    EXPECT_EQ(ExpectSameJpegPixels(file.substr(0, file.size() - 2), 100, "no end"),
              JpegRoute::Whole);
    JpegPicture picture;
    EXPECT_FALSE(DecodeJpeg(BytesOf(file.substr(0, file.size() - 2)), 100, picture));

    // A comment between the scan and the end marker, which libjpeg reads past.
    std::string commented = file;
    commented.insert(file.size() - 2, std::string("\xFF\xFE\x00\x04hi", 6));
    EXPECT_EQ(ExpectSameJpegPixels(commented, 100, "comment"), JpegRoute::Whole);

    // A restart marker out of sequence, and one missing: libjpeg resynchronises.
    const std::size_t rst = file.find("\xFF\xD1");
    ASSERT_NE(rst, std::string::npos);
    std::string misnumbered = file;
    misnumbered[rst + 1] = '\xD5';
    EXPECT_EQ(ExpectSameJpegPixels(misnumbered, 100, "misnumbered"), JpegRoute::Whole);
    std::string missing = file;
    missing.erase(rst, 2);
    EXPECT_EQ(ExpectSameJpegPixels(missing, 100, "missing"), JpegRoute::Whole);

    // Data cut inside the scan, the end marker kept: libjpeg pads the rest with zeros.
    std::string shortened = file.substr(0, file.size() * 2 / 3);
    shortened += "\xFF\xD9";
    EXPECT_EQ(ExpectSameJpegPixels(shortened, 100, "short"), JpegRoute::Whole);
}

// Damage anywhere in a baseline file: the walk never reads outside the file (the sanitizer
// build runs this), and whenever a damaged file decodes, both ways give the same pixels.
TEST(JpegBaseline, DamagedFilesDecodeAlikeBothWays)
{
    std::mt19937 random(11);
    for (int restartRows : {0, 1}) {
        test::JpegLayout layout;
        layout.restartRows = restartRows;
        layout.optimizeCoding = restartRows == 1;
        const std::string file = test::EncodeJpeg(grainy(840, 840, 5, 30), layout);
        for (int round = 0; round < 250; ++round)
            ExpectSameJpegPixels(test::DamagedCopy(file, random, round % 10 == 0), 100,
                                 "round " + std::to_string(round));
    }
}

namespace {

// What DecodeJpeg gives for one file alone, libjpeg decoding all of it.
struct Alone {
    bool ok = false;
    JpegPicture picture;
};
Alone alone(const std::string &file)
{
    Alone a;
    a.ok = DecodeJpeg(BytesOf(file), 100, a.picture, platform::kMaxPicturePixels, JpegScans::All);
    return a;
}

void expectLikeAlone(const std::string &file, bool ok, const JpegPicture &picture,
                     const std::string &label)
{
    const Alone a = alone(file);
    ASSERT_EQ(ok, a.ok) << label;
    if (!ok)
        return;
    EXPECT_EQ(picture.fullWidth, a.picture.fullWidth) << label;
    EXPECT_EQ(picture.fullHeight, a.picture.fullHeight) << label;
    EXPECT_EQ(picture.image.width, a.picture.image.width) << label;
    EXPECT_TRUE(picture.image.pixels == a.picture.image.pixels) << label;
}

} // namespace

// Two files walked in turns give, each, what it gives alone: every layout, restarts, files of
// other sizes, one file of light blocks (walked after the other instead), and damage in one of
// the two, which must leave the other as it is.
TEST(JpegBaseline, TwoFilesWalkedTogetherGiveWhatEachGivesAlone)
{
    const auto layouts = takenLayouts();
    unsigned seed = 100;
    for (const auto &[name, base] : layouts)
        for (int restartRows : {0, 1}) {
            test::JpegLayout layout = base;
            layout.quality = 95;
            layout.restartRows = restartRows;
            const std::string a = test::EncodeJpeg(grainy(800, 800, ++seed, 60), layout);
            layout.optimizeCoding = true;
            const std::string b = test::EncodeJpeg(grainy(1203, 905, ++seed, 50), layout);
            const std::string label = std::string(name) + " r" + std::to_string(restartRows);
            JpegPicture pa, pb;
            bool okA = false, okB = false, together = false;
            DecodeJpegPair(BytesOf(a), BytesOf(b), 100, pa, pb, okA, okB,
                           platform::kMaxPicturePixels, &together);
            EXPECT_TRUE(together) << label;
            expectLikeAlone(a, okA, pa, label + " first");
            expectLikeAlone(b, okB, pb, label + " second");
        }

    test::JpegLayout layout;
    layout.quality = 95;
    const std::string heavy = test::EncodeJpeg(grainy(840, 840, 7, 60), layout);
    const std::string smooth = test::EncodeJpeg(test::MakeScene(840, 840, 8), layout);
    JpegPicture pa, pb;
    bool okA = false, okB = false, together = true;
    DecodeJpegPair(BytesOf(heavy), BytesOf(smooth), 100, pa, pb, okA, okB,
                   platform::kMaxPicturePixels, &together);
    EXPECT_FALSE(together);
    expectLikeAlone(heavy, okA, pa, "heavy");
    expectLikeAlone(smooth, okB, pb, "smooth");

    std::mt19937 random(13);
    for (int round = 0; round < 60; ++round) {
        const std::string damaged = test::DamagedCopy(heavy, random, round % 10 == 0);
        const std::string label = "damaged round " + std::to_string(round);
        const bool damagedFirst = round % 2 == 0;
        const std::string &first = damagedFirst ? damaged : heavy;
        const std::string &second = damagedFirst ? heavy : damaged;
        DecodeJpegPair(BytesOf(first), BytesOf(second), 100, pa, pb, okA, okB);
        expectLikeAlone(first, okA, pa, label + " first");
        expectLikeAlone(second, okB, pb, label + " second");
    }
}
