// SPDX-License-Identifier: GPL-3.0-or-later
// The scans of a progressive JPEG that a reduced decode does not need.
//
// Decoded at 1/8 of its size, a component's pixels come from the DC coefficient of each block
// alone: the AC scans of that component carry nothing the picture will show, yet decoding them
// is most of the work (in a photograph, most of the file). A progressive file keeps them in scans
// of their own, which can be left out before the decoder sees the file. Baseline files interleave
// everything in one scan and gain nothing.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace twinly::visual {

// dcOnly[id]: the component with that identifier needs only its DC coefficients.
using DcOnlyComponents = std::array<bool, 256>;

// Copies a progressive (SOF2) file without the AC scans of DC-only components. Gives false, and
// `out` empty, unless the file is laid out as the decoder will read it to the end marker with
// every coefficient of every component complete (a file whose scans leave coefficients
// unrefined is decoded with the decoder's smoothing, which the missing scans would change),
// each dropped scan after its component's DC, no more than `maxScans` scans, and something to
// drop: the caller then decodes the original. Never reads outside `data`.
bool DropUnneededScans(std::span<const std::byte> data, const DcOnlyComponents &dcOnly,
                       int maxScans, std::vector<std::byte> &out);

} // namespace twinly::visual
