// SPDX-License-Identifier: GPL-3.0-or-later
// Picture files of the formats only the toolkit writes here (PNG, WebP, TIFF).
#pragma once

#include "stretch.h"

#include <string>

namespace twinly::test {

// The file's bytes, or "" when the toolkit has no writer for the format. `orientation` (1..8) is
// written as the file's orientation tag where the format's writer supports one (TIFF).
std::string EncodeWithToolkit(const visual::Bitmap &bitmap, const char *format,
                              int orientation = 1);

} // namespace twinly::test
