// SPDX-License-Identifier: GPL-3.0-or-later
// Visual searches end to end, on pictures written into a temporary tree.
#include "cli.h"
#include "picture_files.h"
#include "scanner.h"
#include "signature.h"
#include "temp_tree.h"
#include "visual_hooks.h"
#ifdef TWINLY_QT_IMAGES
#include "qt_image_reader.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

using namespace twinly;
using twinly::test::TempTree;

namespace {

std::shared_ptr<const platform::ImageReader> pictureReader()
{
#ifdef TWINLY_QT_IMAGES
    return platform::MakeQtImageReader();
#else
    return nullptr;
#endif
}

visual::Bitmap transposed(const visual::Bitmap &b)
{
    return test::MakeBitmap(b.height, b.width, [&](int x, int y) {
        return b.pixels[static_cast<std::size_t>(x) * b.width + y];
    });
}

// Sorted names of each group, groups sorted: the order within is the pivot rule's business.
std::vector<std::vector<std::string>> groupsOf(const SearchResult &r)
{
    std::vector<std::vector<std::string>> out;
    for (std::size_t i = 0; i < r.FileList.size(); ++i) {
        if (i == 0 || r.RowBand[i] != r.RowBand[i - 1])
            out.emplace_back();
        out.back().emplace_back(r.FileList[i].FileName());
    }
    for (auto &g : out)
        std::sort(g.begin(), g.end());
    std::sort(out.begin(), out.end());
    return out;
}

class VisualSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        const visual::Bitmap scene = test::MakeScene(640, 480, 11);
        tree.createFile("photos/beach.jpg", test::EncodeJpeg(scene, 92));
        tree.createFile("copies/beach-small.jpg",
                        test::EncodeJpeg(test::MakeScene(320, 240, 11), 92));
        tree.createFile("copies/beach-recompressed.jpeg", test::EncodeJpeg(scene, 40));
        tree.createFile("copies/beach-rotated.jpg", test::EncodeJpeg(transposed(scene), 92));
        tree.createFile("photos/forest.jpg", test::EncodeJpeg(test::MakeScene(640, 480, 12), 92));
        tree.createFile("photos/damaged.jpg", test::EncodeJpeg(scene).substr(0, 2000));
        tree.createFile("photos/damaged.gif", "GIF89a\x80\x02\xe0\x01\xf7\x00\x00 cut");
        tree.createFile("photos/notes.txt", "beach.jpg is the best");
    }

    SearchResult search(SearchOptions o)
    {
        o.Folders = {tree.root()};
        o.Mask = kPictureFormatsMask;
        o.VisualCompare = true;
        o.CompareContent = false;
        o.IgnoreSize = true;
        ScanProgress progress;
        return RunSearch(o, {}, progress, {}, visual::MakeVisualHooks(o.Visual, pictureReader()));
    }

    TempTree tree;
};

} // namespace

TEST_F(VisualSearch, ResizedAndRecompressedCopiesGroupARotatedOneDoesNot)
{
    SearchOptions o;
    const SearchResult r = search(o);
    ASSERT_FALSE(r.stopped);
    const std::vector<std::vector<std::string>> expected{
        {"beach-recompressed.jpeg", "beach-small.jpg", "beach.jpg"}};
    EXPECT_EQ(groupsOf(r), expected);
}

TEST_F(VisualSearch, SizesMustMatchUnlessIgnored)
{
    SearchOptions o;
    o.Folders = {tree.root()};
    o.Mask = kPictureFormatsMask;
    o.VisualCompare = true;
    o.CompareContent = false; // IgnoreSize stays off: files of different sizes never meet
    ScanProgress progress;
    const SearchResult r =
        RunSearch(o, {}, progress, {}, visual::MakeVisualHooks(o.Visual, pictureReader()));
    EXPECT_TRUE(r.FileList.empty());
}

TEST_F(VisualSearch, DumpLeavesItsFilesBesideEveryPicture)
{
    SearchOptions o;
    o.Visual.DumpSignatures = true;
    search(o);
    for (const char *name : {"photos/beach.jpg", "copies/beach-small.jpg", "photos/forest.jpg"}) {
        EXPECT_TRUE(std::filesystem::exists(tree.path(std::string(name) + ".txt"))) << name;
        EXPECT_TRUE(std::filesystem::exists(tree.path(std::string(name) + ".bmp"))) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(tree.path("photos/damaged.jpg.txt")));

    // A later search finds the dumped bitmaps as pictures. Being square, they are not of their
    // JPEG's proportions, but the beach bitmaps are alike among themselves.
    if (!pictureReader())
        GTEST_SKIP() << "built without the toolkit's image readers";
    o.Visual.DumpSignatures = false;
    const std::vector<std::vector<std::string>> expected{
        {"beach-recompressed.jpeg", "beach-small.jpg", "beach.jpg"},
        {"beach-recompressed.jpeg.bmp", "beach-small.jpg.bmp", "beach.jpg.bmp"}};
    EXPECT_EQ(groupsOf(search(o)), expected);
}

TEST_F(VisualSearch, AnyProportionLetsTheRotatedCopyBeTested)
{
    // A quarter turn moves every square, so even tested it is no longer alike.
    SearchOptions o;
    o.Visual.SameProportion = false;
    const auto groups = groupsOf(search(o));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(std::count(groups[0].begin(), groups[0].end(), "beach-rotated.jpg"), 0);
}

TEST_F(VisualSearch, RotationsBringTheTurnedCopyIn)
{
    SearchOptions o;
    o.Visual.FindRotations = true;
    const std::vector<std::vector<std::string>> expected{
        {"beach-recompressed.jpeg", "beach-rotated.jpg", "beach-small.jpg", "beach.jpg"}};
    EXPECT_EQ(groupsOf(search(o)), expected);
}

namespace {

// The similarity test as it was before the quick first look and turned copies: the plain
// extended-precision loop, and the proportion rule.
bool plainImagesAlike(const TFileData &p, const TFileData &c, const VisualSettings &s)
{
    if (!p.Signature || !c.Signature)
        return false;
    const ImageSignature &a = *p.Signature, &b = *c.Signature;
    if (a.SquareCount == 0 || b.SquareCount == 0 || a.SquareCount != b.SquareCount)
        return false;
    const long double range = std::min(a.ValueRange, b.ValueRange);
    if (range == 0 || (s.SameProportion && a.Proportion != b.Proportion))
        return false;
    const std::size_t n = a.SquareValues.size();
    long double l = 0, h = 0, sum = 0, previous = 0;
    long double m = 0, smooth = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const long double e = std::fabs(b.SquareValues[i] - a.SquareValues[i]) * (100.0L / range);
        l = std::max(l, e);
        sum += e;
        m += e <= s.Acc3;
        if (i >= 1) {
            const long double d = std::fabs(e - previous);
            h = std::max(h, d);
            smooth += d <= s.Acc2;
        }
        previous = e;
    }
    const long double count = static_cast<long double>(n), avg = sum / count;
    if (l == 0 || avg == 0 || h == 0)
        return true;
    long double score = s.Acc4;
    score *= 100.0L * m / count;
    score *= 100.0L;
    score /= l;
    score /= avg;
    score *= 100.0L * smooth / count;
    score /= h;
    return score > static_cast<long double>(s.Acc1);
}

} // namespace

// Many scenes in many variants, none with an orientation tag: with turned copies off, the
// search gives exactly the groups of the plain test on signatures made as stored, whether the
// camera orientation is read or not, under strict and lenient settings alike.
TEST_F(VisualSearch, WithoutTagsOrRotationsTheGroupsAreThoseOfThePlainTest)
{
    for (unsigned scene = 20; scene < 32; ++scene) {
        const visual::Bitmap big = test::MakeScene(400, 300, scene);
        const std::string base = "many/s" + std::to_string(scene);
        tree.createFile(base + "-a.jpg", test::EncodeJpeg(big, 90));
        tree.createFile(base + "-b.jpg", test::EncodeJpeg(big, 25 + scene));
        tree.createFile(base + "-c.jpg", test::EncodeJpeg(test::MakeScene(200, 150, scene), 80));
        tree.createFile(base + "-d.jpg", test::EncodeJpeg(transposed(big), 90));
        tree.createFile(base + "-e.jpg", test::EncodeJpeg(test::MakeScene(300, 300, scene), 90));
        // Brighter by a step that depends on the scene: some stay alike, some do not.
        tree.createFile(
            base + "-f.jpg",
            test::EncodeJpeg(
                test::MakeBitmap(400, 300,
                                 [&](int x, int y) {
                                     const std::uint32_t p =
                                         big.pixels[static_cast<std::size_t>(y * 400 + x)];
                                     const std::uint32_t add = (scene % 6) * 0x0A0A0A;
                                     return (p & 0xE0E0E0) / 2 + add;
                                 }),
                90));
    }
    int formed = 0;
    for (const double acc1 : {100.0, 60.0, 300.0}) {
        for (const bool sameProportion : {true, false}) {
            SearchOptions o;
            o.Visual.Acc1 = acc1;
            o.Visual.SameProportion = sameProportion;
            o.Folders = {tree.root()};
            o.Mask = kPictureFormatsMask;
            o.VisualCompare = true;
            o.CompareContent = false;
            o.IgnoreSize = true;
            VisualSettings asStored = o.Visual;
            asStored.CameraOrientation = false;
            asStored.FindRotations = false;
            const auto reader = pictureReader();
            VisualHooks plain;
            plain.CalcImageProperties = [asStored, reader](TFileData &d) {
                visual::CalcImageProperties(d, asStored, reader.get());
            };
            plain.ImagesAlike = [asStored](const TFileData &p, const TFileData &c) {
                return plainImagesAlike(p, c, asStored);
            };
            ScanProgress progress;
            const SearchResult expected = RunSearch(o, {}, progress, {}, plain);
            for (const bool orientation : {false, true}) {
                SearchOptions now = o;
                now.Visual.CameraOrientation = orientation;
                now.Visual.FindRotations = false;
                const SearchResult got =
                    RunSearch(now, {}, progress, {}, visual::MakeVisualHooks(now.Visual, reader));
                EXPECT_EQ(groupsOf(got), groupsOf(expected))
                    << "Acc1 " << acc1 << ", same proportion " << sameProportion << ", orientation "
                    << orientation;
                // Row for row, in the same order.
                ASSERT_EQ(got.FileList.size(), expected.FileList.size());
                for (std::size_t i = 0; i < got.FileList.size(); ++i)
                    EXPECT_EQ(got.FileList[i].FullName, expected.FileList[i].FullName);
                EXPECT_EQ(got.RowBand, expected.RowBand);
            }
            formed += static_cast<int>(groupsOf(expected).size());
        }
    }
    EXPECT_GT(formed, 12) << "the pictures should form groups";
}

TEST_F(VisualSearch, CommandLineComparesByLook)
{
    const auto run = [&](std::vector<std::string> args, std::string &out, std::string &err) {
        args.insert(args.begin(), "twinly-cli");
        std::vector<const char *> argv;
        for (const std::string &a : args)
            argv.push_back(a.c_str());
        std::ostringstream o, e;
        const int status = cli::Run(static_cast<int>(argv.size()), argv.data(), o, e, false);
        out = o.str();
        err = e.str();
        return status;
    };
    std::string out, err;
    ASSERT_EQ(run({"--visual", "--ignore-size", "--mask", "*.txt", tree.root()}, out, err), 0)
        << err;
    // The picture mask replaces the user's; the three beach pictures form one group.
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4) << out;
    EXPECT_NE(out.find("beach-small.jpg"), std::string::npos);
    EXPECT_EQ(out.find("notes.txt"), std::string::npos);

    EXPECT_EQ(run({"--visual", "--ignore-size", "--resizing", "3", "--splitting=2", "--acc1", "500",
                   "--acc2", "0.5", "--acc3", "50", "--acc4=0.5", "--any-proportion", tree.root()},
                  out, err),
              0)
        << err;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4) << out;

    ASSERT_EQ(run({"--visual", "--ignore-size", "--rotations", tree.root()}, out, err), 0) << err;
    EXPECT_NE(out.find("beach-rotated.jpg"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 5) << out;
    ASSERT_EQ(run({"--visual", "--ignore-size", "--no-orientation", tree.root()}, out, err), 0)
        << err;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4) << out;

    for (std::vector<std::string> bad :
         {std::vector<std::string>{"--visual", "--resizing", "0", "x"},
          {"--visual", "--splitting", "2.5", "x"},
          {"--visual", "--acc1", "40", "x"},
          {"--visual", "--acc2", "fifty", "x"},
          {"--visual", "--acc3", "51", "x"},
          {"--visual", "--acc4", "", "x"},
          {"--visual", "--db", "a.twd", "x"},
          {"--visual", "--create-db", "a.twd", "x"}})
        EXPECT_EQ(run(bad, out, err), 2) << bad[1] << " " << bad[2];
}
