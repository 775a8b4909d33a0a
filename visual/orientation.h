// SPDX-License-Identifier: GPL-3.0-or-later
// Camera orientation: the EXIF tag that tells a viewer how to turn the stored pixels so the
// picture stands upright, and the eight ways of turning and mirroring a picture.
#pragma once

#include "stretch.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace twinly::visual {

// The EXIF values: 1 upright, 2 mirrored left to right, 3 turned half round, 4 mirrored top to
// bottom, 5 mirrored along the main diagonal, 6 to be turned a quarter clockwise, 7 mirrored
// along the other diagonal, 8 to be turned a quarter anticlockwise.
inline constexpr int kUpright = 1;

// Whether showing a picture of this orientation upright swaps its width and height.
constexpr bool SwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// The orientation a file's EXIF data asks for; kUpright when there is none, when it is
// damaged or when it holds a value outside 1..8. `format` is "jpeg", "tiff", "webp" or "png";
// other formats carry no orientation. Reads only inside `file`, whatever its bytes say.
int OrientationOfFile(std::span<const std::byte> file, std::string_view format);

// The same, from a TIFF structure (a TIFF file, or the payload of an EXIF block).
int OrientationInTiff(std::span<const std::byte> tiff);

// The picture as a viewer shows it: pixel (x, y) of the result is the stored pixel that the
// orientation puts there.
Bitmap Upright(const Bitmap &stored, int orientation);

// Where pixel (x, y) of the upright picture (of `width` x `height`, upright sides) lies in the
// stored one.
struct StoredPosition {
    int x, y;
};
constexpr StoredPosition StoredPixelOf(int orientation, int x, int y, int width, int height)
{
    switch (orientation) {
    case 2:
        return {width - 1 - x, y};
    case 3:
        return {width - 1 - x, height - 1 - y};
    case 4:
        return {x, height - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {y, width - 1 - x};
    case 7:
        return {height - 1 - y, width - 1 - x};
    case 8:
        return {height - 1 - y, x};
    default:
        return {x, y};
    }
}

} // namespace twinly::visual
