// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a picture file with the decoder its extension names.
#pragma once

#include "image_reader.h"
#include "stretch.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace twinly::visual {

enum class PictureFormat { Jpeg, Gif, Bitmap, Icon, Metafile, Png, Webp, Tiff, Unknown };

// By the extension, letter case ignored: jpg, jpeg and jpe are JPEG; gif; bmp; ico; emf, wmf;
// png; webp; tif and tiff.
PictureFormat FormatOfName(std::string_view name);

enum class LoadOutcome {
    Bitmap,    // decoded to pixels
    NotBitmap, // the file loads but gives no pixels (icons): only its size is known
    Failed,    // unreadable, damaged, over the size limits, no decoder (metafiles, unknown)
};

struct LoadedPicture {
    int width = 0; // the picture's own size, even when `bitmap` was decoded smaller
    int height = 0;
    Bitmap bitmap;
};

// The camera orientation (1..8, see orientation.h) of a picture file's bytes, its format told
// by its name; 1 for formats that carry none.
int OrientationOfPicture(std::span<const std::byte> file, std::string_view name);

// `minSide` lets a JPEG decode at a reduced scale that still has at least that many pixels
// each way; 0 gives the full size. `reader` decodes every format but JPEG; without one those
// fail. With `upright`, the picture is turned as its camera orientation says (JPEG, TIFF, WebP
// and PNG carry one), and its width and height are those of the turned picture.
LoadOutcome LoadPicture(const std::string &path, int minSide, const platform::ImageReader *reader,
                        LoadedPicture &out, bool upright = false);
// Two files, each loaded as LoadPicture loads it: two JPEG files decoded at 1/8 go through the
// decoder together (DecodeJpegPair).
void LoadPicturePair(const std::array<std::string, 2> &paths, int minSide,
                     const platform::ImageReader *reader, std::array<LoadedPicture, 2> &out,
                     std::array<LoadOutcome, 2> &outcomes, bool upright = false);

} // namespace twinly::visual
