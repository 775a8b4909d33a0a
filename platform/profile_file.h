// SPDX-License-Identifier: GPL-3.0-or-later
// Values of Windows profile ("ini") files, read the way the system's profile-file functions read
// them, so that a language file written for a Windows build reads the same here. No toolkit:
// the translator and the command line both use it.
#pragma once

#include "text.h" // IsValidUtf8

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace twinly::platform {

// The longest value the profile-file functions hand out: they fill a buffer of 2048 characters,
// one of which is the terminating NUL.
inline constexpr std::size_t kProfileValueMax = 2047;

// Far beyond any real language file. A larger file is damaged and reads as a missing file,
// so that a name that leads to something endless cannot exhaust the memory.
inline constexpr std::size_t kProfileFileMax = 4 * 1024 * 1024;

// Reads one value, the way the profile-file functions do: the file is read anew at each call
// (nothing cached). Section and key names match without regard to ASCII letter case; blanks
// (spaces and tabs) around a value are dropped and then one pair of enclosing double quotes
// (or single quotes) is removed; a value is at most 2047 characters (longer values are cut);
// lines end with LF or CRLF; a UTF-8 BOM is skipped; `;` comment lines are ignored; the first
// matching section and the first matching key within it win. Bytes that are valid UTF-8 are
// read as UTF-8; otherwise the file is read as Windows-1252 and the result converted to UTF-8.
// Returns nothing when the file, the section or the key is missing, and when the file is not a
// regular file or is larger than kProfileFileMax.
//
// In detail:
// - A line whose first non-blank character is `[` and that holds a `]` opens a section; its name
//   is the text between the `[` and the first `]`, blanks around it dropped (so `[ Form1 ]` is
//   the section Form1); anything after the `]` is ignored.
// - Inside a section, a line holding `=` gives a key: the name is the text before the first `=`,
//   the value the text after it, each without the blanks around it. A line without `=`, a line
//   whose first non-blank character is `;`, and every line before the first section are ignored.
// - The requested names are taken without blanks around them; an empty name finds nothing.
// - The quotes come off only when the value is at least two characters long and starts and ends
//   with the same quote character; the blanks inside them stay. Nothing else is unescaped: a `|`
//   or a `;` inside a value is part of it.
// - Whether the bytes are UTF-8 is decided once for the whole file (after its BOM), so one
//   stray byte anywhere makes the whole file Windows-1252, as a file saved by an 8-bit editor is.
// - The cut counts characters of the result (code points), never splitting one.
std::optional<std::string> ReadProfileString(const std::string &file, std::string_view section,
                                             std::string_view key);

// The same over text already in memory (for tests and the fuzz target).
std::optional<std::string> ProfileStringFromText(std::string_view text, std::string_view section,
                                                 std::string_view key);

// Every byte of Windows-1252 as UTF-8. The five bytes that code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same number, as the system's own
// conversion makes them, so the result is always valid UTF-8 and nothing is lost.
std::string Windows1252ToUtf8(std::string_view bytes);

} // namespace twinly::platform
