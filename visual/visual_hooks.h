// SPDX-License-Identifier: GPL-3.0-or-later
// The visual comparison as the search engine calls it.
#pragma once

#include "image_reader.h"
#include "options.h"
#include "scanner.h"

#include <memory>

namespace twinly::visual {

// Signatures and the similarity test with one search's settings. `pictures` decodes GIF, BMP
// and ICO (the desktop program and the command line pass platform::MakeQtImageReader()); with
// none, only JPEG files get signatures. The hooks may be called from several threads.
VisualHooks MakeVisualHooks(const VisualSettings &settings,
                            const std::shared_ptr<const platform::ImageReader> &pictures);

} // namespace twinly::visual
