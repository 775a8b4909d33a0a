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

LoadOutcome LoadPicture(const std::string &path, int minSide, const platform::ImageReader *reader,
                        LoadedPicture &out, bool upright)
{
    out = LoadedPicture();
    const PictureFormat format = FormatOfName(path);
    if (format == PictureFormat::Metafile || format == PictureFormat::Unknown)
        return LoadOutcome::Failed;
    if (format != PictureFormat::Jpeg && !reader)
        return LoadOutcome::Failed;
    // One buffer per thread for the file's bytes: a signature pass reads thousands of files of
    // a few megabytes, and a fresh buffer each time costs its page faults; and one aligned for
    // the kernel's copy (read_buffer.h). One that a very large file grew is let go after it.
    thread_local platform::ReadBuffer content;
    struct Trim {
        ~Trim()
        {
            if (content.capacity() > (std::size_t{16} << 20))
                content.release();
        }
    } trim;
    if (!readWholeFile(path, content))
        return LoadOutcome::Failed;
    const std::span<const std::byte> bytes = content.bytes();

    if (format == PictureFormat::Jpeg) {
        JpegPicture jpeg;
        if (!DecodeJpeg(bytes, minSide, jpeg))
            return LoadOutcome::Failed;
        out.width = jpeg.fullWidth;
        out.height = jpeg.fullHeight;
        out.bitmap = std::move(jpeg.image);
        if (upright)
            turnUpright(bytes, format, out);
        return LoadOutcome::Bitmap;
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

} // namespace twinly::visual
