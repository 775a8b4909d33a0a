// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture.h"

#include "file_reader.h"
#include "jpeg_reader.h"

#include <array>
#include <cstddef>
#include <vector>

namespace twinly::visual {

namespace {

// Far above any real picture of the limited pixel count, yet a bound on what one file may
// make us hold in memory.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i])
            return false;
    }
    return true;
}

bool readWholeFile(const std::string &path, std::vector<std::byte> &bytes)
{
    platform::FileReader file = platform::FileReader::open(path);
    if (!file.isOpen())
        return false;
    bytes.clear();
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    for (;;) {
        const std::size_t at = bytes.size();
        if (at >= kMaxFileBytes)
            return false;
        bytes.resize(at + kPiece);
        const std::int64_t got = file.read(bytes.data() + at, kPiece);
        if (got < 0)
            return false;
        bytes.resize(at + static_cast<std::size_t>(got));
        if (got == 0)
            return true;
    }
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
    static constexpr std::array<Entry, 8> kFormats{{{"jpg", PictureFormat::Jpeg},
                                                    {"jpeg", PictureFormat::Jpeg},
                                                    {"jpe", PictureFormat::Jpeg},
                                                    {"gif", PictureFormat::Gif},
                                                    {"bmp", PictureFormat::Bitmap},
                                                    {"ico", PictureFormat::Icon},
                                                    {"emf", PictureFormat::Metafile},
                                                    {"wmf", PictureFormat::Metafile}}};
    for (const Entry &e : kFormats)
        if (equalsIgnoringCase(ext, e.ext))
            return e.format;
    return PictureFormat::Unknown;
}

LoadOutcome LoadPicture(const std::string &path, int minSide, const platform::ImageReader *reader,
                        LoadedPicture &out)
{
    out = LoadedPicture();
    const PictureFormat format = FormatOfName(path);
    if (format == PictureFormat::Metafile || format == PictureFormat::Unknown)
        return LoadOutcome::Failed;
    if (format != PictureFormat::Jpeg && !reader)
        return LoadOutcome::Failed;
    std::vector<std::byte> bytes;
    if (!readWholeFile(path, bytes))
        return LoadOutcome::Failed;

    if (format == PictureFormat::Jpeg) {
        JpegPicture jpeg;
        if (!DecodeJpeg(bytes, minSide, jpeg))
            return LoadOutcome::Failed;
        out.width = jpeg.fullWidth;
        out.height = jpeg.fullHeight;
        out.bitmap = std::move(jpeg.image);
        return LoadOutcome::Bitmap;
    }
    const char *name = format == PictureFormat::Gif      ? "gif"
                       : format == PictureFormat::Bitmap ? "bmp"
                                                         : "ico";
    Bitmap decoded;
    if (!reader->read(bytes, name, decoded))
        return LoadOutcome::Failed;
    out.width = decoded.width;
    out.height = decoded.height;
    // An icon loads, but it is not a bitmap, and cannot be drawn into one for the signature.
    if (format == PictureFormat::Icon)
        return LoadOutcome::NotBitmap;
    out.bitmap = std::move(decoded);
    return LoadOutcome::Bitmap;
}

} // namespace twinly::visual
