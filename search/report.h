// SPDX-License-Identifier: GPL-3.0-or-later
// A search's rows written out for people and programs: the command line prints them and the
// desktop program saves them, through the same writer, so both give the same text.
//   paths  one path a line, a blank line after each group
//   csv    RFC 4180: band,path,size,time,crc,group,reference[,<marks>]; paths as raw bytes
//   json   an array of row objects with the same fields; a path that is not UTF-8 gets U+FFFD
//          in "path" and its exact bytes in "path_hex"
//   sh     a POSIX shell script that removes (or replaces by links) the marked rows, for the
//          user to read before running it
// Columns are only ever added at the end, so readers of older output keep working.
#pragma once

#include "file_data.h"

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace twinly {

enum class ReportFormat : std::uint8_t { Paths, Csv, Json, Shell };

// What the script does with each marked row.
enum class ScriptAction : std::uint8_t {
    Remove,       // rm
    HardLink,     // replaced by a hard link to the group's kept copy
    SymbolicLink, // replaced by a symbolic link (absolute target) to the kept copy
};

struct ReportRows {
    std::span<const TFileData> rows;
    std::span<const std::uint8_t> bands;   // one per row; missing entries read 1
    std::span<const std::uint32_t> groups; // one per row; empty: groups are the runs of bands
    std::span<const std::uint8_t> marks;   // one per row, or empty for no marks column
    std::string_view marksName = "remove"; // the column's name: "remove", "checked", ...
};

void WriteReport(std::ostream &out, ReportFormat format, const ReportRows &rows,
                 ScriptAction action = ScriptAction::Remove);

// "YYYY-MM-DD HH:MM:SS", empty for a zero time.
std::string TimeText(DosTime t);
std::string CsvField(std::string_view s);
// A JSON string literal. Bytes that are not UTF-8 become U+FFFD; `lossy` tells the caller.
std::string JsonString(std::string_view s, bool *lossy = nullptr);
std::string HexBytes(std::string_view s);
// One word for a POSIX shell, whatever bytes it holds: single-quoted, each quote written '\''.
std::string ShellQuote(std::string_view s);

} // namespace twinly
