// SPDX-License-Identifier: GPL-3.0-or-later
// The words for a search's counts while it runs and for what it found once it has ended, in
// the current language.
#pragma once

#include "progress.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

namespace twinly {

class TMultiLang;
struct SearchResult;

// "1234 files found"; while files are read "120 of 450 files read, 1.2 MB of 3.4 MB", and
// ", 0:42 left" once the time left is known.
QString CountsLine(const TMultiLang &lang, const ScanProgress::Counts &counts,
                   std::optional<std::chrono::seconds> left);
// The same for the tray's hint: "1234 files found", "120/450 files, 0:42 left".
QString CountsShort(const TMultiLang &lang, const ScanProgress::Counts &counts,
                    std::optional<std::chrono::seconds> left);
// "12 groups, 30 files, 4.2 MB in redundant copies", "No duplicates found in 80 files", or in
// a plain listing "80 files". `filesFound` is what the walk took in.
QString SearchSummary(const TMultiLang &lang, const SearchResult &result, bool listing,
                      std::uint64_t filesFound);

} // namespace twinly
