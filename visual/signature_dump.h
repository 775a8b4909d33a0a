// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostic dump of a signature, written beside the picture: name.txt with the range and
// the square values, name.bmp with the scaled 16-bit picture the values were summed from.
#pragma once

#include "file_data.h"
#include "stretch.h"

#include <string>

namespace twinly::visual {

// The text: ValueRange, then one value a line in square order; each a real number in
// scientific notation right-aligned in 23 characters, lines ending in CR LF.
std::string SignatureDumpText(const ImageSignature &signature);

// A 16-bit bitmap file with 5-6-5 bit masks, rows stored bottom-up as the format wants.
std::string Bitmap565File(const Bitmap16 &bitmap);

// Writes fullName + ".txt" and fullName + ".bmp". Each replaces an older one in one step, so a
// search reading the ".bmp" as a picture on another thread never sees half a file; a name that
// is taken by a folder, a device or a FIFO is left alone. Returns false when either could not
// be written.
bool WriteSignatureDump(const std::string &fullName, const ImageSignature &signature,
                        const Bitmap16 &resized);

} // namespace twinly::visual
