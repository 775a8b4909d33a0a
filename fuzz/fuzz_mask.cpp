// SPDX-License-Identifier: GPL-3.0-or-later
// Input: mask text, a newline, a file name.
#include "masksearch.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const auto newline = input.find('\n');
    const std::string_view mask = input.substr(0, newline);
    const std::string_view name =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    const twinly::MaskList masks = twinly::BuildMaskList(mask);
    const bool whole = twinly::MatchMaskList(name, masks, true);
    const bool part = twinly::MatchMaskList(name, masks, false);
    // A name that matches as a whole also matches as a part.
    if (whole && !part)
        __builtin_trap();
    for (const std::string &m : masks)
        twinly::MatchOneMask(twinly::LowerAscii(name), m, true);
    return 0;
}
