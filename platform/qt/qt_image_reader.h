// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's image readers behind the engine's picture-decoding interface.
#pragma once

#include "image_reader.h"

#include <memory>

namespace twinly::platform {

// GIF, BMP and ICO through the toolkit. Needs no application object and works on any thread.
std::shared_ptr<const ImageReader> MakeQtImageReader();

} // namespace twinly::platform
