// SPDX-License-Identifier: GPL-3.0-or-later
#include "stretch.h"

namespace twinly::visual {

void StretchCopy(const Bitmap &source, Bitmap &destination)
{
    if (source.width <= 0 || source.height <= 0 || destination.width <= 0 ||
        destination.height <= 0)
        return;
    const auto sw = static_cast<std::uint64_t>(source.width);
    const auto sh = static_cast<std::uint64_t>(source.height);
    const auto dw = static_cast<std::uint64_t>(destination.width);
    const auto dh = static_cast<std::uint64_t>(destination.height);
    destination.pixels.resize(dw * dh);
    std::vector<std::uint64_t> column(dw);
    for (std::uint64_t x = 0; x < dw; ++x)
        column[x] = x * sw / dw;
    for (std::uint64_t y = 0; y < dh; ++y) {
        const std::uint32_t *from = source.pixels.data() + (y * sh / dh) * sw;
        std::uint32_t *to = destination.pixels.data() + y * dw;
        for (std::uint64_t x = 0; x < dw; ++x)
            to[x] = from[column[x]];
    }
}

Bitmap16 To565(const Bitmap &bitmap)
{
    Bitmap16 out;
    out.width = bitmap.width;
    out.height = bitmap.height;
    out.words.resize(bitmap.pixels.size());
    for (std::size_t i = 0; i < bitmap.pixels.size(); ++i)
        out.words[i] = Pack565(bitmap.pixels[i]);
    return out;
}

} // namespace twinly::visual
