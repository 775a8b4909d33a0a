// SPDX-License-Identifier: GPL-3.0-or-later
// Input: the bytes of a GIF file, read by the toolkit's reader and signed.
#include "qt_image_reader.h"
#include "signature.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace twinly;
    static const auto reader = [] {
        qInstallMessageHandler(quiet);
        return platform::MakeQtImageReader();
    }();
    platform::RgbImage image;
    if (!reader->read(std::as_bytes(std::span(data, size)), "gif", image)) {
        if (!image.pixels.empty())
            __builtin_trap();
        return 0;
    }
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height ||
        !platform::PictureSizeAcceptable(image.width, image.height))
        __builtin_trap();
    const visual::SignatureGeometry g = visual::GeometryOf(VisualSettings());
    ImageSignature signature;
    visual::FillSquareValues(visual::ResizeForSignature(image, g.side), g, signature);
    if (signature.SquareValues.size() != static_cast<std::size_t>(g.count()))
        __builtin_trap();
    return 0;
}
