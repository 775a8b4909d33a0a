// SPDX-License-Identifier: GPL-3.0-or-later
// What a finished search amounts to, in the numbers its end is told by.
#pragma once

#include "scanner.h"

#include <cstdint>

namespace twinly {

// The groups of the result (in a plain listing every row is one).
std::uint64_t GroupCount(const SearchResult &result);

// The bytes the redundant copies of every group take on disk: per group, the sizes of its files
// on disk less the largest (the copy kept). Where sizes are equal, size x (copies - 1). A copy
// known only from a CRC database frees nothing and keeps nothing: deleting the only file on
// disk of its group would leave no copy here.
std::uint64_t RedundantBytes(const SearchResult &result);

} // namespace twinly
