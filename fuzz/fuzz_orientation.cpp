// SPDX-License-Identifier: GPL-3.0-or-later
// Input: one byte choosing the container (JPEG, TIFF, WebP, PNG), then the file's bytes, whose
// camera orientation is read and applied to a small picture.
#include "orientation.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace twinly::visual;
    if (size == 0)
        return 0;
    static constexpr std::string_view kFormats[] = {"jpeg", "tiff", "webp", "png"};
    const std::string_view format = kFormats[data[0] % 4];
    const int orientation = OrientationOfFile(std::as_bytes(std::span(data + 1, size - 1)), format);
    if (orientation < 1 || orientation > 8)
        __builtin_trap();
    Bitmap b;
    b.width = 3;
    b.height = 2;
    b.pixels = {1, 2, 3, 4, 5, 6};
    const Bitmap up = Upright(b, orientation);
    if (up.pixels.size() != 6 || up.width != (SwapsSides(orientation) ? 2 : 3))
        __builtin_trap();
    return 0;
}
