// SPDX-License-Identifier: GPL-3.0-or-later
// Picture signatures: the picture scaled to N x N, reduced to 5-6-5 words, cut into S x S
// squares, each summarised by the sum of its pixel words.
#pragma once

#include <array>

#include "file_data.h"
#include "image_reader.h"
#include "options.h"
#include "stretch.h"

namespace twinly::visual {

struct SignatureGeometry {
    int side = 100;   // N: pixels a side of the scaled picture
    int squares = 10; // S: squares a side
    int block = 10;   // q: pixels a side summed in each square (N / S rounded down)
    int count() const { return squares * squares; }
};

// Positions out of 1..10 are taken as the nearest end.
SignatureGeometry GeometryOf(const VisualSettings &settings);

// Scales a picture to the N x N square the signature is made from, whatever its proportions,
// and reduces it to 16 bits. The preview's "resized image" is this bitmap.
Bitmap16 ResizeForSignature(const Bitmap &picture, int side);

// Square values in square order (column by column from the left, each column from the bottom
// row up) and their range. `resized` must be geometry.side pixels square.
void FillSquareValues(const Bitmap16 &resized, const SignatureGeometry &geometry,
                      ImageSignature &signature);

enum class SignatureOutcome {
    Signed,
    NotLoaded,    // no signature: SquareCount 0
    NotConverted, // the picture loaded but gave no pixels (icons): zero values, ValueRange 0
    DumpFailed,   // signed; the diagnostic dump could not be written
};

// Gives the record a signature made from the file its FullName names. `reader` decodes GIF,
// BMP and ICO. Safe to run for different records on several threads at once.
SignatureOutcome CalcImageProperties(TFileData &record, const VisualSettings &settings,
                                     const platform::ImageReader *reader);
// Two records at once, each signed as CalcImageProperties signs it (LoadPicturePair).
std::array<SignatureOutcome, 2> CalcImagePropertiesPair(TFileData &first, TFileData &second,
                                                        const VisualSettings &settings,
                                                        const platform::ImageReader *reader);

} // namespace twinly::visual
