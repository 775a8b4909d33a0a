// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit_pictures.h"

#include <QBuffer>
#include <QImage>
#include <QImageIOHandler>
#include <QImageWriter>

namespace twinly::test {

std::string EncodeWithToolkit(const visual::Bitmap &bitmap, const char *format, int orientation)
{
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            image.setPixel(x, y,
                           0xFF000000u | bitmap.pixels[static_cast<std::size_t>(y) * bitmap.width +
                                                       static_cast<std::size_t>(x)]);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100); // lossless where the format has both
    // The tag values, as the toolkit names them.
    static const QImageIOHandler::Transformations kTags[] = {
        QImageIOHandler::TransformationNone,     QImageIOHandler::TransformationNone,
        QImageIOHandler::TransformationMirror,   QImageIOHandler::TransformationRotate180,
        QImageIOHandler::TransformationFlip,     QImageIOHandler::TransformationFlipAndRotate90,
        QImageIOHandler::TransformationRotate90, QImageIOHandler::TransformationMirrorAndRotate90,
        QImageIOHandler::TransformationRotate270};
    if (orientation >= 1 && orientation <= 8)
        writer.setTransformation(kTags[orientation]);
    if (!writer.write(image))
        return {};
    return buffer.data().toStdString();
}

} // namespace twinly::test
