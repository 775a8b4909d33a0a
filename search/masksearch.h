// SPDX-License-Identifier: GPL-3.0-or-later
// File-name masks: a single left-to-right pass without backtracking, case-insensitive for
// ASCII letters only. Bare words (no "*", "?" or ".") become substring tests, so "jpg" finds
// every name containing it. "*.bmp" does not match "a.bmp.bmp": the first ".bmp" is taken and
// later occurrences are never tried. Users' saved masks rely on these rules; keep them.
#pragma once

#include "text.h"

#include <string>
#include <string_view>
#include <vector>

namespace twinly {

using MaskList = std::vector<std::string>;

// Masks separated by ";" or ","; each one trimmed, lower-cased and rewritten.
MaskList BuildMaskList(std::string_view maskText);
bool MatchMaskList(std::string_view name, const MaskList &masks, bool wholeName);
// `name` must already be lower case (A-Z only).
bool MatchOneMask(std::string_view name, std::string_view mask, bool wholeName);
bool MaskMatch(std::string_view name, std::string_view maskText, bool wholeName);

// ASCII-only lower case, as the matcher sees names and masks.
using platform::LowerAscii;

} // namespace twinly
