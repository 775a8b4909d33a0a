// SPDX-License-Identifier: GPL-3.0-or-later
// Camera orientation and turned or mirrored copies, on pictures written as real files.
#include "orientation.h"
#include "picture.h"
#include "picture_files.h"
#include "signature.h"
#include "similarity.h"
#include "temp_tree.h"
#ifdef TWINLY_QT_IMAGES
#include "qt_image_reader.h"
#include "toolkit_pictures.h"
#endif

#include <gtest/gtest.h>

#include <functional>
#include <span>

using namespace twinly;
using namespace twinly::visual;
using twinly::test::TempTree;

namespace {

std::span<const std::byte> bytesOf(const std::string &s)
{
    return {reinterpret_cast<const std::byte *>(s.data()), s.size()};
}

// The eight ways to store a picture, written out plainly: what a camera held in that position
// saves, so that turning it as the tag says gives `upright` back.
Bitmap remap(const Bitmap &in, bool swapSides, const std::function<int(int, int)> &fromX,
             const std::function<int(int, int)> &fromY)
{
    const int w = swapSides ? in.height : in.width, h = swapSides ? in.width : in.height;
    return test::MakeBitmap(w, h, [&](int x, int y) {
        return in.pixels[static_cast<std::size_t>(fromY(x, y)) * in.width +
                         static_cast<std::size_t>(fromX(x, y))];
    });
}
Bitmap mirrorLeftRight(const Bitmap &b)
{
    return remap(
        b, false, [&](int x, int) { return b.width - 1 - x; }, [](int, int y) { return y; });
}
Bitmap mirrorTopBottom(const Bitmap &b)
{
    return remap(
        b, false, [](int x, int) { return x; }, [&](int, int y) { return b.height - 1 - y; });
}
// A quarter clockwise: the top row becomes the right column.
Bitmap turnClockwise(const Bitmap &b)
{
    return remap(
        b, true, [](int, int y) { return y; }, [&](int x, int) { return b.height - 1 - x; });
}
Bitmap turnAnticlockwise(const Bitmap &b)
{
    return turnClockwise(turnClockwise(turnClockwise(b)));
}
Bitmap transpose(const Bitmap &b)
{
    return remap(
        b, true, [](int, int y) { return y; }, [](int x, int) { return x; });
}

// A scene with a bright block near its top left corner, so no turn or mirror of it looks like
// itself.
Bitmap lopsided(int width, int height, unsigned seed)
{
    const Bitmap scene = test::MakeScene(width, height, seed);
    return test::MakeBitmap(width, height, [&](int x, int y) -> std::uint32_t {
        if (x > width / 10 && x < width / 2 && y > height / 10 && y < height / 3)
            return 0xFFFFFF;
        // Red weighs most in the signature: let it change both ways.
        const std::uint32_t p = scene.pixels[static_cast<std::size_t>(y) * width + x];
        const std::uint32_t r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
        return ((r + g) / 2) << 16 | r << 8 | b;
    });
}

Bitmap storedFor(const Bitmap &upright, int orientation)
{
    switch (orientation) {
    case 2:
        return mirrorLeftRight(upright);
    case 3:
        return turnClockwise(turnClockwise(upright));
    case 4:
        return mirrorTopBottom(upright);
    case 5:
        return transpose(upright);
    case 6: // shown turned clockwise, so stored turned the other way
        return turnAnticlockwise(upright);
    case 7:
        return turnClockwise(turnClockwise(transpose(upright)));
    case 8:
        return turnClockwise(upright);
    default:
        return upright;
    }
}

// A TIFF structure holding one entry, the orientation, in either byte order.
std::string tiffWithOrientation(int value, bool bigEndian)
{
    std::string t;
    auto put16 = [&](unsigned v) {
        const char hi = static_cast<char>(v >> 8), lo = static_cast<char>(v & 0xFF);
        t += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    };
    auto put32 = [&](unsigned v) {
        if (bigEndian) {
            put16(v >> 16);
            put16(v & 0xFFFF);
        } else {
            put16(v & 0xFFFF);
            put16(v >> 16);
        }
    };
    t += bigEndian ? "MM" : "II";
    put16(42);
    put32(8);
    put16(2); // two entries: something else first
    put16(0x010F);
    put16(2);
    put32(4);
    put32(0);
    put16(0x0112);
    put16(3);
    put32(1);
    put16(static_cast<unsigned>(value));
    put16(0);
    put32(0);
    return t;
}

// A JPEG file with an EXIF block carrying the orientation, right after its start marker.
std::string jpegWithOrientation(const std::string &jpeg, int value, bool bigEndian = false)
{
    const std::string exif = std::string("Exif\0\0", 6) + tiffWithOrientation(value, bigEndian);
    const std::size_t length = exif.size() + 2;
    std::string app1 = "\xFF\xE1";
    app1 += static_cast<char>(length >> 8);
    app1 += static_cast<char>(length & 0xFF);
    // A comment block first: the parser must walk past other blocks.
    const std::string comment = std::string("\xFF\xFE\x00\x07hello", 9);
    return jpeg.substr(0, 2) + comment + app1 + exif + jpeg.substr(2);
}

VisualSettings defaults()
{
    return VisualSettings{};
}

class Pictures : public ::testing::Test {
protected:
    TFileData sign(const std::string &name, const std::string &bytes,
                   const VisualSettings &s = defaults())
    {
        const std::string path = tree.createFile(name, bytes);
        const auto slash = path.rfind('/');
        TFileData d = TFileData::onDisk(path.substr(0, slash), path.substr(slash + 1), 1, 0);
        EXPECT_EQ(CalcImageProperties(d, s, reader.get()), SignatureOutcome::Signed) << name;
        EXPECT_TRUE(d.Signature) << name;
        return d;
    }
    TempTree tree;
#ifdef TWINLY_QT_IMAGES
    std::shared_ptr<const platform::ImageReader> reader = platform::MakeQtImageReader();
#else
    std::shared_ptr<const platform::ImageReader> reader;
#endif
};

} // namespace

TEST(Orientation, ReadFromJpegTiffWebpAndPngInBothByteOrders)
{
    const std::string jpeg = test::EncodeJpeg(test::MakeScene(32, 24, 1));
    for (int value = 1; value <= 8; ++value) {
        for (bool big : {false, true}) {
            EXPECT_EQ(OrientationOfFile(bytesOf(jpegWithOrientation(jpeg, value, big)), "jpeg"),
                      value);
            EXPECT_EQ(OrientationOfFile(bytesOf(tiffWithOrientation(value, big)), "tiff"), value);
        }
        const std::string exif = std::string("Exif\0\0", 6) + tiffWithOrientation(value, false);
        std::string webp = "RIFF____WEBPVP8L";
        webp += std::string("\x03\x00\x00\x00\x2f\x00\x00\x00", 8); // 3 bytes and a pad byte
        webp += "EXIF";
        for (int i = 0; i < 4; ++i)
            webp += static_cast<char>((exif.size() >> (8 * i)) & 0xFF);
        webp += exif;
        EXPECT_EQ(OrientationOfFile(bytesOf(webp), "webp"), value);
        std::string png = "\x89PNG\r\n\x1a\n";
        png += std::string("\x00\x00\x00\x00IHDR\x00\x00\x00\x00", 12); // empty, CRC ignored
        const std::string bare = tiffWithOrientation(value, true);
        png += std::string("\x00\x00\x00", 3) + static_cast<char>(bare.size()) + "eXIf" + bare +
               "CRC!";
        EXPECT_EQ(OrientationOfFile(bytesOf(png), "png"), value);
    }
}

TEST(Orientation, AbsentDamagedOrOutOfRangeTagsMeanUpright)
{
    const std::string jpeg = test::EncodeJpeg(test::MakeScene(32, 24, 1));
    EXPECT_EQ(OrientationOfFile(bytesOf(jpeg), "jpeg"), kUpright);
    EXPECT_EQ(OrientationOfFile(bytesOf(jpegWithOrientation(jpeg, 0)), "jpeg"), kUpright);
    EXPECT_EQ(OrientationOfFile(bytesOf(jpegWithOrientation(jpeg, 9)), "jpeg"), kUpright);
    EXPECT_EQ(OrientationOfFile(bytesOf(jpegWithOrientation(jpeg, 6)), "gif"), kUpright);
    // Every cut of a tagged file, and every byte of its EXIF block set to 0xFF in turn, reads
    // safely (the sanitizer builds check that nothing is read outside the bytes).
    const std::string tagged = jpegWithOrientation(jpeg, 6);
    const std::size_t tagEnd = tagged.size() - jpeg.size() + 2; // the file before its EXIF ends
    for (std::size_t n = 0; n < tagEnd; ++n) {
        const std::string cut = tagged.substr(0, n);
        EXPECT_EQ(OrientationOfFile(bytesOf(cut), "jpeg"), kUpright) << n;
        std::string bad = tagged;
        bad[n] = static_cast<char>(0xFF);
        const int got = OrientationOfFile(bytesOf(bad), "jpeg");
        EXPECT_TRUE(got >= 1 && got <= 8);
    }
    const std::string tiff = tiffWithOrientation(6, false);
    for (std::size_t n = 0; n + 4 < tiff.size(); ++n) // all but the next directory's offset
        EXPECT_EQ(OrientationInTiff(bytesOf(tiff.substr(0, n))), kUpright) << n;
    std::string farOffset = tiff;
    farOffset[4] = farOffset[5] = farOffset[6] = farOffset[7] = static_cast<char>(0xFF);
    EXPECT_EQ(OrientationInTiff(bytesOf(farOffset)), kUpright);
}

TEST_F(Pictures, EachOfTheEightOrientationsSignsAsTheUprightPicture)
{
    const Bitmap upright = lopsided(160, 120, 7);
    const TFileData plain = sign("upright.jpg", test::EncodeJpeg(upright, 95));
    VisualSettings asStored = defaults();
    asStored.CameraOrientation = false;
    for (int value = 1; value <= 8; ++value) {
        const std::string name = "o" + std::to_string(value) + ".jpg";
        const std::string file = jpegWithOrientation(
            test::EncodeJpeg(storedFor(upright, value), 95), value, value % 2 == 0);
        const TFileData turned = sign(name, file);
        EXPECT_EQ(turned.Signature->Proportion, plain.Signature->Proportion) << value;
        EXPECT_EQ(turned.Signature->TurnedProportion, 0.75) << value;
        EXPECT_TRUE(ImagesAlike(plain, turned, defaults())) << value;
        // JPEG blocks fall on other pixels once turned, so the values are close, not equal.
        for (std::size_t i = 0; i < 100; ++i)
            EXPECT_NEAR(static_cast<double>(turned.Signature->SquareValues[i]),
                        static_cast<double>(plain.Signature->SquareValues[i]),
                        0.03 * static_cast<double>(plain.Signature->ValueRange))
                << value << " square " << i;

        const TFileData stored = sign("stored-" + name, file, asStored);
        EXPECT_EQ(stored.Signature->Proportion, SwapsSides(value) ? 0.75 : 4.0 / 3.0) << value;
        if (value != 1) {
            EXPECT_FALSE(ImagesAlike(plain, stored, asStored)) << value;
        }
    }
}

TEST_F(Pictures, TurnedAndMirroredCopiesAreFoundOnlyWhenAsked)
{
    const Bitmap scene = lopsided(160, 120, 4);
    const TFileData original = sign("original.jpg", test::EncodeJpeg(scene, 95));
    const TFileData other = sign("other.jpg", test::EncodeJpeg(lopsided(160, 120, 9), 95));
    VisualSettings rotations = defaults();
    rotations.FindRotations = true;
    VisualSettings anyShape = rotations;
    anyShape.SameProportion = false;
    const std::pair<const char *, Bitmap> copies[] = {
        {"clockwise", turnClockwise(scene)},
        {"anticlockwise", turnAnticlockwise(scene)},
        {"half", turnClockwise(turnClockwise(scene))},
        {"mirrored", mirrorLeftRight(scene)},
        {"upside-down", mirrorTopBottom(scene)},
        {"transposed", transpose(scene)},
        {"transversed", turnClockwise(turnClockwise(transpose(scene)))}};
    for (const auto &[name, bitmap] : copies) {
        const TFileData copy = sign(std::string(name) + ".jpg", test::EncodeJpeg(bitmap, 95));
        EXPECT_FALSE(ImagesAlike(original, copy, defaults())) << name;
        for (const VisualSettings &s : {rotations, anyShape}) {
            EXPECT_TRUE(ImagesAlike(original, copy, s)) << name;
            EXPECT_TRUE(ImagesAlike(copy, original, s)) << name;
            EXPECT_FALSE(ImagesAlike(other, copy, s)) << name;
        }
        // Turned pictures of one class: the grouping never keeps them apart.
        EXPECT_EQ(SimilarityClass(original, rotations), SimilarityClass(copy, rotations)) << name;
    }
}

#ifdef TWINLY_QT_IMAGES
TEST_F(Pictures, PngWebpAndTiffSignLikeTheirBitmap)
{
    // Few colours: every format holds them exactly.
    const Bitmap picture = test::MakeBitmap(160, 120, [](int x, int y) {
        return ((x / 40 + y / 30) % 2 ? 0xFF0000u : 0x0000FFu) | static_cast<std::uint32_t>(x / 20)
                                                                     << 8;
    });
    const TFileData bmp = sign("p.bmp", test::EncodeBmp24(picture));
    for (const char *format : {"png", "webp", "tiff"}) {
        const std::string bytes = test::EncodeWithToolkit(picture, format);
        ASSERT_FALSE(bytes.empty()) << format << ": the toolkit's image plugins are not installed";
        const TFileData d = sign(std::string("p.") + format, bytes);
        EXPECT_EQ(d.Signature->SquareValues, bmp.Signature->SquareValues) << format;
        EXPECT_EQ(d.Signature->Proportion, bmp.Signature->Proportion) << format;
        EXPECT_EQ(FormatOfName(std::string("P.") + format),
                  std::string(format) == "png"    ? PictureFormat::Png
                  : std::string(format) == "webp" ? PictureFormat::Webp
                                                  : PictureFormat::Tiff);
    }
    // A TIFF stored turned, with the tag that says so, signs as the upright picture.
    const std::string turned = test::EncodeWithToolkit(storedFor(picture, 6), "tiff", 6);
    const TFileData tif = sign("turned.tif", turned);
    EXPECT_EQ(tif.Signature->SquareValues, bmp.Signature->SquareValues);
    EXPECT_EQ(tif.Signature->Proportion, bmp.Signature->Proportion);
    // Damaged files of the new formats get no signature.
    for (const char *format : {"png", "webp", "tiff"}) {
        const std::string bytes = test::EncodeWithToolkit(picture, format);
        for (const std::string &bad : {bytes.substr(0, bytes.size() / 3), std::string(300, 'x')}) {
            const std::string path = tree.createFile(std::string("bad.") + format, bad);
            const auto slash = path.rfind('/');
            TFileData d = TFileData::onDisk(path.substr(0, slash), path.substr(slash + 1), 1, 0);
            EXPECT_EQ(CalcImageProperties(d, defaults(), reader.get()), SignatureOutcome::NotLoaded)
                << format;
        }
    }
}
#endif
