// SPDX-License-Identifier: GPL-3.0-or-later
// A baseline JPEG at 1/8 of its size, from the DC coefficients that make its pixels.
//
// At 1/8, each block of a component that libjpeg decodes with its 1x1 inverse DCT is one pixel,
// the block's DC coefficient; only the chroma of a 4:2:0 file (a 2x2 inverse DCT) needs a few of
// its AC coefficients. A baseline file still interleaves every coefficient of every block in one
// entropy-coded stream, and libjpeg decodes each of them just to find where the next block
// starts: about nine tenths of the time of a 1/8 decode of a photograph. This walk finds the
// block ends by the lengths of several codes at once, without their values, and then does what
// libjpeg does with the coefficients it keeps, to the same bytes (the tests compare the two on
// every layout it takes).
//
// It takes only files whose stream it can read as libjpeg reads it: anything that libjpeg would
// read with a warning, resynchronise or pad (a bad code, a missing or misplaced restart marker, a
// block's run past its end, data that ends too soon, something other than the end marker after
// the scan) gives false, and the caller decodes the file with libjpeg as before. Never reads
// outside the data it is given.
#pragma once

#include "image_reader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace twinly::visual {

// A Huffman table as a DHT segment gives it: counts of codes of each length 1..16, then symbols.
struct HuffmanTable {
    std::array<std::uint8_t, 16> counts{};
    std::array<std::uint8_t, 256> symbols{};
};

struct BaselineComponent {
    int h = 1, v = 1; // sampling factors
    int idctSize = 1; // 1, or 2 for the chroma of a 4:2:0 file
    int dcTable = 0;  // index into BaselineScan::dc
    int acTable = 0;  // index into BaselineScan::ac
    // Natural order, as the decoder multiplies (its 16-bit multiplier type).
    std::array<std::int16_t, 64> quant{};
};

// One interleaved scan of every component of a frame, in frame order. Plain data: the header
// reader fills it where nothing with a destructor may live.
struct BaselineScan {
    int width = 0, height = 0;
    int componentCount = 0; // 1 (grey) or 3 (YCbCr: 1x1, 2x1 or 2x2 luma, 1x1 chroma)
    std::array<BaselineComponent, 3> components{};
    std::array<HuffmanTable, 4> dc{}, ac{};
    unsigned restartInterval = 0;    // MCUs between restart markers, 0 for none
    std::span<const std::byte> data; // from the first byte after the SOS segment to the end
};

// True when `scan` has a layout the walk takes (the caller has checked the rest of the header).
bool BaselineLayoutTaken(const BaselineScan &scan);

// Fills `out` (ceil(width / 8) x ceil(height / 8), 0xFFRRGGBB as libjpeg's BGRX gives) and
// gives true, or gives false with `out` empty.
bool DecodeBaselineEighth(const BaselineScan &scan, platform::RgbImage &out);

// Two pictures at once, as DecodeBaselineEighth decodes each: the walks of two files of one
// layout take turns look-up by look-up, and fill the time each would wait on its own. Gives
// whether they did (files of light blocks are walked one after the other).
bool DecodeBaselineEighthPair(const BaselineScan &first, const BaselineScan &second,
                              platform::RgbImage &firstOut, platform::RgbImage &secondOut,
                              bool &firstOk, bool &secondOk);

} // namespace twinly::visual
