// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "file_data.h"
#include "grouping.h"

#include <iosfwd>
#include <string>
#include <string_view>

namespace twinly::cli {

enum class Format { Paths, Csv, Json };

// The CRC as the list shows it: a signed decimal, empty when 0 or unknown.
std::string CrcText(const TFileData &d);
// "YYYY-MM-DD HH:MM:SS", empty for a zero time.
std::string TimeText(DosTime t);
std::string CsvField(std::string_view s);
// A JSON string literal. Bytes that are not UTF-8 become U+FFFD; `lossy` tells the caller.
std::string JsonString(std::string_view s, bool *lossy = nullptr);
std::string HexBytes(std::string_view s);

void WriteRows(std::ostream &out, Format format, const FileList &rows, const RowBand &bands);

} // namespace twinly::cli
