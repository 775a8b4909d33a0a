// SPDX-License-Identifier: GPL-3.0-or-later
#include "jpeg_reader.h"
#include "picture_files.h"
#include "signature.h"
#include "signature_dump.h"
#include "stretch.h"
#include "temp_tree.h"
#ifdef TWINLY_QT_IMAGES
#include "qt_image_reader.h"
#endif

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstring>
#include <span>

using namespace twinly;
using namespace twinly::visual;
using twinly::test::TempTree;

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;

VisualSettings settings(int resizing, int splitting)
{
    VisualSettings s;
    s.Resizing = resizing;
    s.Splitting = splitting;
    return s;
}

std::shared_ptr<const platform::ImageReader> pictureReader()
{
#ifdef TWINLY_QT_IMAGES
    return platform::MakeQtImageReader();
#else
    return nullptr;
#endif
}

#define REQUIRE_PICTURE_READER()                                                                   \
    if (!pictureReader())                                                                          \
    GTEST_SKIP() << "built without the toolkit's image readers"

// A 16-bit square bitmap, rows from the top, all words 0 except those set.
Bitmap16 blank(int side)
{
    Bitmap16 b;
    b.width = b.height = side;
    b.words.assign(static_cast<std::size_t>(side) * side, 0);
    return b;
}

// Sets the word at column x, row y counted from the bottom.
void setFromBottom(Bitmap16 &b, int x, int y, std::uint16_t word)
{
    b.words[static_cast<std::size_t>(b.height - 1 - y) * b.width + x] = word;
}

ImageSignature squaresOf(const Bitmap16 &b, const VisualSettings &s)
{
    ImageSignature sig;
    FillSquareValues(b, GeometryOf(s), sig);
    return sig;
}

TFileData recordFor(const std::string &path)
{
    const auto slash = path.rfind('/');
    return TFileData::onDisk(path.substr(0, slash), path.substr(slash + 1), 1, 0);
}

std::span<const std::byte> bytesOf(const std::string &s)
{
    return {reinterpret_cast<const std::byte *>(s.data()), s.size()};
}

} // namespace

TEST(StretchCopy, TakesTheSourcePixelAtTheScaledPositionRoundedDown)
{
    const Bitmap source = test::MakeBitmap(
        7, 5, [](int x, int y) { return static_cast<std::uint32_t>(y * 100 + x); });
    for (auto [w, h] : {std::pair{3, 2}, std::pair{16, 11}, std::pair{7, 5}, std::pair{1, 9}}) {
        Bitmap dest;
        dest.width = w;
        dest.height = h;
        dest.pixels.assign(static_cast<std::size_t>(w) * h, 0xDEAD);
        StretchCopy(source, dest);
        ASSERT_EQ(dest.width, w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(dest.pixels[static_cast<std::size_t>(y) * w + x],
                          static_cast<std::uint32_t>((y * 5 / h) * 100 + x * 7 / w))
                    << w << "x" << h << " at " << x << "," << y;
    }
}

TEST(Pack565, KeepsTheTopBitsOfEachChannel)
{
    EXPECT_EQ(Pack565(kRed), 0xF800);
    EXPECT_EQ(Pack565(0x00FF00), 0x07E0);
    EXPECT_EQ(Pack565(kBlue), 0x001F);
    EXPECT_EQ(Pack565(0xFFFFFF), 0xFFFF);
    EXPECT_EQ(Pack565(0x070307), 0x0000); // below each channel's lowest kept bit
    EXPECT_EQ(Pack565(0x080408), 0x0821);
}

TEST(SquareValues, FlatColoursGiveEqualValuesAndNoRange)
{
    for (auto [word, expected] :
         {std::pair{0xF800u, 63488.0L * 100}, std::pair{31u, 31.0L * 100}}) {
        Bitmap16 b = blank(100);
        std::fill(b.words.begin(), b.words.end(), static_cast<std::uint16_t>(word));
        const ImageSignature sig = squaresOf(b, settings(1, 1));
        ASSERT_EQ(sig.SquareValues.size(), 100u);
        for (long double v : sig.SquareValues)
            EXPECT_EQ(v, expected);
        EXPECT_EQ(sig.ValueRange, 0);
    }
}

TEST(SquareValues, SquaresGoColumnByColumnFromTheBottomRow)
{
    Bitmap16 b = blank(100);
    setFromBottom(b, 0, 0, 1);   // bottom-left: square 0
    setFromBottom(b, 0, 10, 2);  // one square up: square 1
    setFromBottom(b, 10, 0, 4);  // one square right: square 10
    setFromBottom(b, 99, 99, 8); // top-right: square 99
    const ImageSignature sig = squaresOf(b, settings(1, 1));
    EXPECT_EQ(sig.SquareValues[0], 1);
    EXPECT_EQ(sig.SquareValues[1], 2);
    EXPECT_EQ(sig.SquareValues[10], 4);
    EXPECT_EQ(sig.SquareValues[99], 8);
    EXPECT_EQ(sig.ValueRange, 8);
}

TEST(SquareValues, ThirdsOfTenPixelsLeaveEveryTenthLineUncounted)
{
    // Resizing 1, Splitting 3: N 100, S 30, q 3; bands start at 0, 3, 6, 10, 13, 16, 20 ...
    Bitmap16 b = blank(100);
    for (int i = 0; i < 100; ++i) {
        setFromBottom(b, 9, i, 1000);  // column 9 lies in no square
        setFromBottom(b, i, 19, 1000); // nor does row 19
    }
    setFromBottom(b, 10, 0, 7);  // column band 3 starts at 10: square 3 * 30 + 0
    setFromBottom(b, 12, 12, 5); // column and row band 3 (10 .. 12): square 3 * 30 + 3
    const ImageSignature sig = squaresOf(b, settings(1, 3));
    ASSERT_EQ(sig.SquareValues.size(), 900u);
    EXPECT_EQ(sig.SquareValues[90], 7);
    EXPECT_EQ(sig.SquareValues[93], 5);
    long double total = 0;
    for (long double v : sig.SquareValues)
        total += v;
    EXPECT_EQ(total, 12);
}

TEST(SquareValues, TwoHundredPixelsInThirtyBandsSumSixBySixBlocks)
{
    // Resizing 2, Splitting 3: N 200, S 30, q 6. Square 1 starts at row 6, square 30 at column 6.
    Bitmap16 b = blank(200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            setFromBottom(b, x, y, 1);
    const ImageSignature sig = squaresOf(b, settings(2, 3));
    ASSERT_EQ(sig.SquareValues.size(), 900u);
    for (long double v : sig.SquareValues)
        EXPECT_EQ(v, 36);

    Bitmap16 marks = blank(200);
    setFromBottom(marks, 5, 5, 1);    // last pixel of square 0
    setFromBottom(marks, 0, 6, 2);    // first of square 1
    setFromBottom(marks, 6, 0, 4);    // first of square 30
    setFromBottom(marks, 13, 13, 8);  // square (2, 2): bands start at 13 (2 * 200 / 30)
    setFromBottom(marks, 12, 12, 16); // between blocks 6..11 and 13..18: counted nowhere
    const ImageSignature m = squaresOf(marks, settings(2, 3));
    EXPECT_EQ(m.SquareValues[0], 1);
    EXPECT_EQ(m.SquareValues[1], 2);
    EXPECT_EQ(m.SquareValues[30], 4);
    EXPECT_EQ(m.SquareValues[62], 8);
    long double total = 0;
    for (long double v : m.SquareValues)
        total += v;
    EXPECT_EQ(total, 15);
}

TEST(SquareValues, ExtremeSettings)
{
    // Splitting 10 at Resizing 1: one pixel a square, so the values are the pixel words.
    Bitmap16 b = blank(100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            setFromBottom(b, x, y, static_cast<std::uint16_t>(x * 100 + y));
    const ImageSignature fine = squaresOf(b, settings(1, 10));
    ASSERT_EQ(fine.SquareValues.size(), 10000u);
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(fine.SquareValues[static_cast<std::size_t>(i)], i);

    // Resizing 10 at Splitting 1: 100 squares of 100 x 100 white pixels reach the largest value.
    Bitmap16 white = blank(1000);
    std::fill(white.words.begin(), white.words.end(), 0xFFFF);
    const ImageSignature coarse = squaresOf(white, settings(10, 1));
    ASSERT_EQ(coarse.SquareValues.size(), 100u);
    EXPECT_EQ(coarse.SquareValues[0], 655350000.0L);
}

TEST(DecodeJpeg, DecodesAtTheSmallestScaleThatKeepsEnoughPixels)
{
    const std::string jpeg = test::EncodeJpeg(test::MakeScene(2000, 1500, 1));
    struct Case {
        int minSide, width, height;
    };
    for (const Case c :
         {Case{100, 250, 188}, Case{188, 250, 188}, Case{189, 500, 375}, Case{300, 500, 375},
          Case{600, 1000, 750}, Case{1000, 2000, 1500}, Case{0, 2000, 1500}}) {
        JpegPicture picture;
        ASSERT_TRUE(DecodeJpeg(bytesOf(jpeg), c.minSide, picture));
        EXPECT_EQ(picture.fullWidth, 2000);
        EXPECT_EQ(picture.fullHeight, 1500);
        EXPECT_EQ(picture.image.width, c.width) << c.minSide;
        EXPECT_EQ(picture.image.height, c.height) << c.minSide;
        EXPECT_EQ(picture.image.pixels.size(), static_cast<std::size_t>(c.width) * c.height);
    }
}

TEST(DecodeJpeg, RefusesDamagedTruncatedAndOversizedData)
{
    const std::string good = test::EncodeJpeg(test::MakeScene(64, 48, 2));
    JpegPicture picture;
    ASSERT_TRUE(DecodeJpeg(bytesOf(good), 0, picture));

    EXPECT_FALSE(DecodeJpeg(bytesOf(""), 0, picture));
    EXPECT_FALSE(DecodeJpeg(bytesOf("not a picture at all"), 0, picture));
    EXPECT_FALSE(DecodeJpeg(bytesOf(good.substr(0, good.size() / 2)), 0, picture));
    EXPECT_EQ(picture.image.pixels.size(), 0u);

    // The same file claiming 60000 x 60000 pixels in its frame header: refused before any
    // pixel memory is taken.
    std::string huge = good;
    const auto sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = static_cast<char>(0xEA);
    huge[sof + 6] = static_cast<char>(0x60);
    huge[sof + 7] = static_cast<char>(0xEA);
    huge[sof + 8] = static_cast<char>(0x60);
    EXPECT_FALSE(DecodeJpeg(bytesOf(huge), 100, picture));
    EXPECT_FALSE(DecodeJpeg(bytesOf(good), 0, picture, /*maxPixels=*/64 * 48 - 1));
}

class CalcImagePropertiesTest : public ::testing::Test {
protected:
    TFileData sign(const std::string &name, const std::string &bytes,
                   const VisualSettings &s = settings(1, 1),
                   SignatureOutcome expected = SignatureOutcome::Signed)
    {
        TFileData d = recordFor(tree.createFile(name, bytes));
        EXPECT_EQ(CalcImageProperties(d, s, reader.get()), expected) << name;
        return d;
    }
    TempTree tree;
    std::shared_ptr<const platform::ImageReader> reader = pictureReader();
};

TEST_F(CalcImagePropertiesTest, PureRedAndPureBlueGiveTheirWordTimesTheBlock)
{
    const auto flat = [](std::uint32_t c) {
        return test::MakeBitmap(120, 90, [c](int, int) { return c; });
    };
    // Resizing 1 and Splitting 1: q = 10, 100 pixels a square. JPEG keeps these exactly.
    for (const TFileData &d : {sign("red.jpg", test::EncodeJpeg(flat(kRed), 100)),
                               sign("blue.jpg", test::EncodeJpeg(flat(kBlue), 100))}) {
        ASSERT_TRUE(d.Signature);
        const long double word = d.FullName.ends_with("red.jpg") ? 63488 : 31;
        EXPECT_EQ(d.Signature->SquareCount, 100);
        EXPECT_EQ(d.Signature->ResizedSize, 100);
        ASSERT_EQ(d.Signature->SquareValues.size(), 100u);
        for (long double v : d.Signature->SquareValues)
            EXPECT_EQ(v, word * 100) << d.FullName;
        EXPECT_EQ(d.Signature->ValueRange, 0);
    }
}

TEST_F(CalcImagePropertiesTest, ProportionComesFromTheFullSize)
{
    const TFileData wide = sign("wide.jpg", test::EncodeJpeg(test::MakeScene(640, 480, 3)));
    const TFileData small = sign("small.jpg", test::EncodeJpeg(test::MakeScene(320, 240, 3)));
    const TFileData tall = sign("tall.jpg", test::EncodeJpeg(test::MakeScene(480, 640, 3)));
    // 2000 x 1500 is decoded at 1/8, 250 x 188, whose ratio is not 4:3.
    const TFileData big = sign("big.jpg", test::EncodeJpeg(test::MakeScene(2000, 1500, 3)));
    EXPECT_EQ(wide.Signature->Proportion, small.Signature->Proportion);
    EXPECT_EQ(wide.Signature->Proportion, big.Signature->Proportion);
    EXPECT_DOUBLE_EQ(wide.Signature->Proportion, 4.0 / 3.0);
    EXPECT_EQ(tall.Signature->Proportion, 0.75);
    EXPECT_GT(wide.Signature->ValueRange, 0);
}

TEST_F(CalcImagePropertiesTest, SettingsSetTheSizeOfTheSignature)
{
    const std::string jpeg = test::EncodeJpeg(test::MakeScene(300, 200, 4));
    const TFileData d = sign("scene.jpg", jpeg, settings(3, 2));
    EXPECT_EQ(d.Signature->SquareCount, 400);
    EXPECT_EQ(d.Signature->ResizedSize, 300);
    EXPECT_EQ(d.Signature->SquareValues.size(), 400u);
}

TEST_F(CalcImagePropertiesTest, FilesThatCannotBeDecodedGetNoSignature)
{
    const std::string jpeg = test::EncodeJpeg(test::MakeScene(64, 48, 5));
    for (auto [name, bytes] :
         {std::pair<std::string, std::string>{"cut.jpg", jpeg.substr(0, 300)},
          {"garbage.jpeg", std::string(5000, 'x')},
          {"empty.jpe", ""},
          {"cut.gif", test::EncodeGif({test::MakeScene(8, 8, 0)}).substr(0, 40)},
          {"garbage.gif", "GIF89a\x10\x00\x10\x00\xF7 and then nothing useful"},
          {"garbage.bmp", "BM this is no bitmap"},
          {"drawing.wmf", "\xD7\xCD\xC6\x9A anything"},
          {"drawing.emf", "\x01\x00\x00\x00 anything"},
          {"notes.txt", jpeg},
          {"jpeg-in-a.gif", jpeg}}) {
        TFileData d = recordFor(tree.createFile(name, bytes));
        d.Signature = std::make_unique<ImageSignature>(); // an earlier signature goes away
        EXPECT_EQ(CalcImageProperties(d, settings(1, 1), reader.get()), SignatureOutcome::NotLoaded)
            << name;
        EXPECT_FALSE(d.Signature) << name;
    }
    TFileData missing = recordFor(tree.path("missing.jpg"));
    EXPECT_EQ(CalcImageProperties(missing, settings(1, 1), reader.get()),
              SignatureOutcome::NotLoaded);
}

TEST_F(CalcImagePropertiesTest, GifAndBitmapFilesSignLikeTheirJpeg)
{
    REQUIRE_PICTURE_READER();
    // Few colours, so that the GIF holds the picture exactly.
    const Bitmap picture = test::MakeBitmap(160, 120, [](int x, int y) {
        return ((x / 40 + y / 30) % 2 ? kRed : kBlue) | static_cast<std::uint32_t>(x / 20) << 8;
    });
    const TFileData gif = sign("p.gif", test::EncodeGif({picture}));
    const TFileData bmp = sign("p.bmp", test::EncodeBmp24(picture));
    ASSERT_TRUE(gif.Signature && bmp.Signature);
    EXPECT_EQ(gif.Signature->SquareValues, bmp.Signature->SquareValues);
    EXPECT_GT(gif.Signature->ValueRange, 0);
    EXPECT_EQ(gif.Signature->Proportion, bmp.Signature->Proportion);

    // An animation is signed by its first frame.
    const Bitmap blue = test::MakeBitmap(160, 120, [](int, int) { return kBlue; });
    const TFileData animated = sign("anim.gif", test::EncodeGif({picture, blue}));
    EXPECT_EQ(animated.Signature->SquareValues, gif.Signature->SquareValues);
}

// Bitmaps and GIF pictures are held to the same pixel limit as JPEG pictures, not to the
// toolkit's smaller allocation limit.
TEST(QtImageReader, PicturesOverTheToolkitsAllocationLimitStillDecode)
{
    REQUIRE_PICTURE_READER();
    Bitmap big;
    big.width = 6000;
    big.height = 6000; // 36 megapixels: 144 MB as 32-bit pixels
    big.pixels.assign(std::size_t{6000} * 6000, 0x336699);
    const std::string bmp = test::EncodeBmp24(big);
    big.pixels = {};
    platform::RgbImage out;
    ASSERT_TRUE(pictureReader()->read(bytesOf(bmp), "bmp", out));
    EXPECT_EQ(out.width, 6000);
    EXPECT_EQ(out.height, 6000);
    EXPECT_EQ(out.pixels[12345], 0x336699u);
}

TEST_F(CalcImagePropertiesTest, AnIconLoadsButGetsOnlyZeroValues)
{
    REQUIRE_PICTURE_READER();
    const Bitmap picture =
        test::MakeBitmap(32, 16, [](int x, int) { return x < 16 ? kRed : kBlue; });
    const TFileData d =
        sign("app.ico", test::EncodeIco(picture), settings(1, 2), SignatureOutcome::NotConverted);
    ASSERT_TRUE(d.Signature);
    EXPECT_EQ(d.Signature->SquareCount, 400);
    EXPECT_EQ(d.Signature->ResizedSize, 100);
    EXPECT_EQ(d.Signature->SquareValues, std::vector<long double>(400, 0));
    EXPECT_EQ(d.Signature->ValueRange, 0);
    EXPECT_EQ(d.Signature->Proportion, 2.0);
}

TEST_F(CalcImagePropertiesTest, DumpWritesTheValuesAndTheScaledPicture)
{
    VisualSettings s = settings(1, 1);
    s.DumpSignatures = true;
    const Bitmap picture =
        test::MakeBitmap(50, 40, [](int x, int) { return x < 25 ? kRed : kBlue; });
    const TFileData d = sign("x.jpg", test::EncodeJpeg(picture, 100), s);

    const std::string text = tree.read("x.jpg.txt");
    ASSERT_EQ(text.size(), 101u * 25);
    for (std::size_t line = 0; line < 101; ++line) {
        const std::string_view l(text.data() + line * 25, 25);
        EXPECT_EQ(l.substr(23), "\r\n");
        const long double value = std::strtold(std::string(l.substr(0, 23)).c_str(), nullptr);
        const long double expected =
            line == 0 ? d.Signature->ValueRange : d.Signature->SquareValues[line - 1];
        EXPECT_EQ(value, expected) << "line " << line;
        EXPECT_EQ(l[0], ' ') << "right-aligned in 23 characters";
        EXPECT_NE(l[22], ' ');
    }

    const std::string bmp = tree.read("x.jpg.bmp");
    ASSERT_EQ(bmp.size(), 66u + 100 * 100 * 2);
    const auto u16 = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bmp[at]) |
                                     static_cast<unsigned char>(bmp[at + 1]) << 8);
    };
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(u16(18), 100u); // width
    EXPECT_EQ(u16(22), 100u); // height, bottom-up
    EXPECT_EQ(u16(28), 16u);  // bits a pixel
    EXPECT_EQ(u16(30), 3u);   // bit fields
    EXPECT_EQ(u16(54), 0xF800u);
    EXPECT_EQ(u16(58), 0x07E0u);
    EXPECT_EQ(u16(62), 0x001Fu);
    EXPECT_EQ(u16(66), 0xF800u);          // bottom-left pixel: red
    EXPECT_EQ(u16(66 + 99 * 2), 0x001Fu); // bottom-right pixel: blue
}

TEST_F(CalcImagePropertiesTest, DumpFitsBesideTheLongestNameAndNeverReplacesANode)
{
    VisualSettings s = settings(1, 1);
    s.DumpSignatures = true;
    const std::string jpeg = test::EncodeJpeg(test::MakeScene(64, 48, 6));
    // 251 bytes: the dump's names are 255, the longest a name can be.
    const std::string longest = std::string(247, 'p') + ".jpg";
    sign(longest, jpeg, s);
    EXPECT_EQ(tree.read(longest + ".txt").size(), 101u * 25);
    EXPECT_EQ(tree.read(longest + ".bmp").size(), 66u + 100 * 100 * 2);

    // A FIFO where the text goes, a link to a device node of our own (the null device's
    // numbers) where the bitmap goes: both stay what they were.
    tree.fifo("y.jpg.txt");
    tree.createDir("nodes");
    const bool device =
        ::mknod(tree.path("nodes/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (device)
        tree.symlink("nodes/null", "y.jpg.bmp");
    sign("y.jpg", jpeg, s, SignatureOutcome::DumpFailed);
    struct stat st {};
    ASSERT_EQ(::lstat(tree.path("y.jpg.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    if (device) {
        ASSERT_EQ(::lstat(tree.path("nodes/null").c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
        EXPECT_EQ(st.st_rdev, makedev(1, 3));
        ASSERT_EQ(::lstat(tree.path("y.jpg.bmp").c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
    }
}

TEST_F(CalcImagePropertiesTest, AnUnwritableDumpLeavesTheSignatureValid)
{
    VisualSettings s = settings(1, 1);
    s.DumpSignatures = true;
    const std::string jpeg = test::EncodeJpeg(test::MakeScene(64, 48, 6));
    tree.createDir("x.jpg.txt"); // a folder where the text file should go
    const TFileData d = sign("x.jpg", jpeg, s, SignatureOutcome::DumpFailed);
    ASSERT_TRUE(d.Signature);
    EXPECT_EQ(d.Signature->SquareCount, 100);
    EXPECT_GT(d.Signature->ValueRange, 0);
}
