// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's image readers behind the engine's picture-decoding interface.
#pragma once

#include "image_reader.h"

#include <memory>

namespace twinly::platform {

// GIF, BMP, ICO, PNG, WebP and TIFF through the toolkit (WebP and TIFF need its image-format
// plugins installed; without them those files fail to decode). Needs no application object and
// works on any thread.
std::shared_ptr<const ImageReader> MakeQtImageReader();

} // namespace twinly::platform
