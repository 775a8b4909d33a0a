// SPDX-License-Identifier: GPL-3.0-or-later
// Visual searches end to end, on pictures written into a temporary tree.
#include "cli.h"
#include "picture_files.h"
#include "scanner.h"
#include "temp_tree.h"
#include "visual_hooks.h"
#ifdef TWINLY_QT_IMAGES
#include "qt_image_reader.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
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
