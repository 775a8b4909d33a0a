// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture.h"

#include "file_reader.h"
#include "jpeg_reader.h"
#include "orientation.h"
#include "text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>
#include <vector>

namespace twinly::visual {

namespace {

// Far above any real picture of the limited pixel count, yet a bound on what one file may
// make us hold in memory.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;

bool readWholeFile(const std::string &path, platform::ReadBuffer &bytes)
{
    platform::FileReader file = platform::FileReader::open(path);
    return file.isOpen() && file.readToEnd(bytes, kMaxFileBytes - 1);
}

} // namespace

PictureFormat FormatOfName(std::string_view name)
{
    const auto dot = name.rfind('.');
    const auto slash = name.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return PictureFormat::Unknown;
    const std::string_view ext = name.substr(dot + 1);
    struct Entry {
        std::string_view ext;
        PictureFormat format;
    };
    static constexpr std::array<Entry, 12> kFormats{{{"jpg", PictureFormat::Jpeg},
                                                     {"jpeg", PictureFormat::Jpeg},
                                                     {"jpe", PictureFormat::Jpeg},
                                                     {"gif", PictureFormat::Gif},
                                                     {"bmp", PictureFormat::Bitmap},
                                                     {"ico", PictureFormat::Icon},
                                                     {"emf", PictureFormat::Metafile},
                                                     {"wmf", PictureFormat::Metafile},
                                                     {"png", PictureFormat::Png},
                                                     {"webp", PictureFormat::Webp},
                                                     {"tif", PictureFormat::Tiff},
                                                     {"tiff", PictureFormat::Tiff}}};
    for (const Entry &e : kFormats)
        if (platform::EqualsIgnoringAsciiCase(ext, e.ext))
            return e.format;
    return PictureFormat::Unknown;
}

namespace {

const char *readerName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return "jpeg";
    case PictureFormat::Gif:
        return "gif";
    case PictureFormat::Bitmap:
        return "bmp";
    case PictureFormat::Icon:
        return "ico";
    case PictureFormat::Png:
        return "png";
    case PictureFormat::Webp:
        return "webp";
    case PictureFormat::Tiff:
        return "tiff";
    default:
        return "";
    }
}

void turnUpright(std::span<const std::byte> file, PictureFormat format, LoadedPicture &out)
{
    const int orientation = OrientationOfFile(file, readerName(format));
    if (orientation == kUpright)
        return;
    out.bitmap = Upright(out.bitmap, orientation);
    if (SwapsSides(orientation))
        std::swap(out.width, out.height);
}

} // namespace

int OrientationOfPicture(std::span<const std::byte> file, std::string_view name)
{
    return OrientationOfFile(file, readerName(FormatOfName(name)));
}

namespace {

// One buffer per thread for a file's bytes (two for a pair): a signature pass reads thousands
// of files of a few megabytes, and a fresh buffer each time costs its page faults; and one
// aligned for the kernel's copy (read_buffer.h).
platform::ReadBuffer &contentOf(int which)
{
    thread_local std::array<platform::ReadBuffer, 2> content;
    return content[static_cast<std::size_t>(which)];
}

// One that a very large file grew is let go after it.
struct TrimContent {
    platform::ReadBuffer &content;
    explicit TrimContent(platform::ReadBuffer &buffer) : content(buffer) {}
    TrimContent(const TrimContent &) = delete;
    TrimContent &operator=(const TrimContent &) = delete;
    ~TrimContent()
    {
        if (content.capacity() > (std::size_t{16} << 20))
            content.release();
    }
};

// A decoded JPEG file's picture, turned upright when asked.
LoadOutcome takeJpeg(bool decoded, JpegPicture &jpeg, std::span<const std::byte> bytes,
                     bool upright, LoadedPicture &out)
{
    if (!decoded)
        return LoadOutcome::Failed;
    out.width = jpeg.fullWidth;
    out.height = jpeg.fullHeight;
    out.bitmap = std::move(jpeg.image);
    if (upright)
        turnUpright(bytes, PictureFormat::Jpeg, out);
    return LoadOutcome::Bitmap;
}

} // namespace

LoadOutcome LoadPicture(const std::string &path, int minSide, const platform::ImageReader *reader,
                        LoadedPicture &out, bool upright)
{
    out = LoadedPicture();
    const PictureFormat format = FormatOfName(path);
    if (format == PictureFormat::Metafile || format == PictureFormat::Unknown)
        return LoadOutcome::Failed;
    if (format != PictureFormat::Jpeg && !reader)
        return LoadOutcome::Failed;
    platform::ReadBuffer &content = contentOf(0);
    const TrimContent trim{content};
    if (!readWholeFile(path, content))
        return LoadOutcome::Failed;
    const std::span<const std::byte> bytes = content.bytes();

    if (format == PictureFormat::Jpeg) {
        JpegPicture jpeg;
        const bool decoded = DecodeJpeg(bytes, minSide, jpeg);
        return takeJpeg(decoded, jpeg, bytes, upright, out);
    }
    Bitmap decoded;
    if (!reader->read(bytes, readerName(format), decoded))
        return LoadOutcome::Failed;
    out.width = decoded.width;
    out.height = decoded.height;
    // An icon loads, but it is not a bitmap, and cannot be drawn into one for the signature.
    if (format == PictureFormat::Icon)
        return LoadOutcome::NotBitmap;
    out.bitmap = std::move(decoded);
    if (upright)
        turnUpright(bytes, format, out);
    return LoadOutcome::Bitmap;
}

void LoadPicturePair(const std::array<std::string, 2> &paths, int minSide,
                     const platform::ImageReader *reader, std::array<LoadedPicture, 2> &out,
                     std::array<LoadOutcome, 2> &outcomes, bool upright)
{
    const auto alone = [&] {
        for (std::size_t i = 0; i < 2; ++i)
            outcomes[i] = LoadPicture(paths[i], minSide, reader, out[i], upright);
    };
    if (minSide <= 0 || FormatOfName(paths[0]) != PictureFormat::Jpeg ||
        FormatOfName(paths[1]) != PictureFormat::Jpeg)
        return alone();
    out = {};
    platform::ReadBuffer &first = contentOf(0), &second = contentOf(1);
    const TrimContent trimFirst{first}, trimSecond{second};
    if (!readWholeFile(paths[0], first) || !readWholeFile(paths[1], second))
        return alone(); // each as it fails or not on its own
    std::array<JpegPicture, 2> jpeg;
    std::array<bool, 2> decoded{};
    DecodeJpegPair(first.bytes(), second.bytes(), minSide, jpeg[0], jpeg[1], decoded[0],
                   decoded[1]);
    outcomes[0] = takeJpeg(decoded[0], jpeg[0], first.bytes(), upright, out[0]);
    outcomes[1] = takeJpeg(decoded[1], jpeg[1], second.bytes(), upright, out[1]);
}

} // namespace twinly::visual
