// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a picture file with the decoder its extension names.
#pragma once

#include "image_reader.h"
#include "stretch.h"

#include <string>
#include <string_view>

namespace twinly::visual {

enum class PictureFormat { Jpeg, Gif, Bitmap, Icon, Metafile, Unknown };

// By the extension, letter case ignored: jpg, jpeg and jpe are JPEG; gif; bmp; ico; emf, wmf.
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

// `minSide` lets a JPEG decode at a reduced scale that still has at least that many pixels
// each way; 0 gives the full size. `reader` decodes GIF, BMP and ICO; without one those fail.
LoadOutcome LoadPicture(const std::string &path, int minSide, const platform::ImageReader *reader,
                        LoadedPicture &out);

} // namespace twinly::visual
