// SPDX-License-Identifier: GPL-3.0-or-later
// Whether two pictures look alike, judged from their signatures square by square.
#pragma once

#include "file_data.h"
#include "options.h"

#include <cstdint>
#include <optional>

namespace twinly::visual {

// Extended-precision arithmetic throughout, the score evaluated left to right, so a threshold
// set to a score's exact value decides the same way everywhere. Symmetric in a and b. Pictures
// without a signature, of a single flat colour, or with signatures of different sizes are never
// alike; with SameProportion, neither are pictures of different proportions.
bool ImagesAlike(const ImageSignature &a, const ImageSignature &b, const VisualSettings &settings);
bool ImagesAlike(const TFileData &a, const TFileData &b, const VisualSettings &settings);

// A class of records such that records of different classes are never alike; nothing for a
// record that is alike to nothing. Lets the grouping compare only within a class.
std::optional<std::uint64_t> SimilarityClass(const TFileData &record,
                                             const VisualSettings &settings);

} // namespace twinly::visual
