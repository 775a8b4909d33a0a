// SPDX-License-Identifier: GPL-3.0-or-later
// Input: one byte choosing the format (PNG, WebP, TIFF), then the file's bytes, read by the
// toolkit's reader, turned as its orientation tag says and signed.
#include "orientation.h"
#include "qt_image_reader.h"
#include "signature.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

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
    if (size == 0)
        return 0;
    static constexpr std::string_view kFormats[] = {"png", "webp", "tiff"};
    const std::string_view format = kFormats[data[0] % 3];
    const auto file = std::as_bytes(std::span(data + 1, size - 1));
    platform::RgbImage image;
    if (!reader->read(file, format, image)) {
        if (!image.pixels.empty())
            __builtin_trap();
        return 0;
    }
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height ||
        !platform::PictureSizeAcceptable(image.width, image.height))
        __builtin_trap();
    image = visual::Upright(image, visual::OrientationOfFile(file, format));
    const visual::SignatureGeometry g = visual::GeometryOf(VisualSettings());
    ImageSignature signature;
    visual::FillSquareValues(visual::ResizeForSignature(image, g.side), g, signature);
    if (signature.SquareValues.size() != static_cast<std::size_t>(g.count()) ||
        signature.Sums.size() != signature.SquareValues.size())
        __builtin_trap();
    return 0;
}
