// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_image_reader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <limits>
#include <mutex>

namespace twinly::platform {

namespace {

class QtImageReader final : public ImageReader {
public:
    bool read(std::span<const std::byte> data, std::string_view format,
              RgbImage &out) const override
    {
        out = RgbImage();
        if (data.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            return false;
        const QByteArray bytes = QByteArray::fromRawData(
            reinterpret_cast<const char *>(data.data()), static_cast<qsizetype>(data.size()));
        QBuffer buffer;
        buffer.setData(bytes);
        if (!buffer.open(QIODevice::ReadOnly))
            return false;
        const QByteArray name(format.data(), static_cast<qsizetype>(format.size()));
        QImageReader reader(&buffer, name);
        // The extension chose the decoder; a file of another format under that name is damaged.
        reader.setAutoDetectImageFormat(false);
        reader.setDecideFormatFromContent(false);
        // The engine reads the orientation itself, the same way for every format.
        reader.setAutoTransform(false);
        // Refuse oversized pictures from the header, before any pixel is allocated.
        const QSize declared = reader.size();
        if (declared.isValid() && !PictureSizeAcceptable(declared.width(), declared.height()))
            return false;
        QImage image;
        if (!reader.read(&image) || image.isNull())
            return false;
        if (!PictureSizeAcceptable(image.width(), image.height()))
            return false;
        image = image.convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            return false;
        out.width = image.width();
        out.height = image.height();
        out.pixels.resize(static_cast<std::size_t>(out.width) *
                          static_cast<std::size_t>(out.height));
        for (int y = 0; y < out.height; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            std::uint32_t *dst = out.pixels.data() +
                                 static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width);
            for (int x = 0; x < out.width; ++x)
                dst[x] = line[x] & 0x00FFFFFFu;
        }
        return true;
    }
};

} // namespace

std::shared_ptr<const ImageReader> MakeQtImageReader()
{
    // The toolkit refuses pictures whose pixels would take more than 128 MB, a third of what
    // JPEG pictures may have here; the pixel limit checked above is the bound for every format,
    // so the toolkit's own is raised to fit it (8 bytes a pixel covers its widest formats).
    static std::once_flag raised;
    std::call_once(raised, [] {
        constexpr std::int64_t needMb = kMaxPicturePixels * 8 / (1024 * 1024) + 1;
        if (QImageReader::allocationLimit() < needMb)
            QImageReader::setAllocationLimit(static_cast<int>(needMb));
    });
    return std::make_shared<const QtImageReader>();
}

} // namespace twinly::platform
