// SPDX-License-Identifier: GPL-3.0-or-later
// Byte-level text helpers shared by the engine, the platform layer and the programs. Paths and
// settings are bytes here: nothing depends on the locale, and only ASCII letters fold, so that a
// match never depends on the encoding a name happens to be in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace twinly::platform {

constexpr char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view s);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

// The value of one hex digit of either case, or -1.
constexpr int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

enum class HexCase : std::uint8_t { Lower, Upper };

// Two hex digits a byte.
void AppendHexByte(std::string &out, std::uint8_t byte, HexCase letters = HexCase::Lower);

// Lower-case hex without a prefix, padded with zeros to at least `minDigits` digits.
std::string HexNumber(std::uint32_t value, int minDigits = 1);

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the byte there starts none.
// Strict: no overlong forms, no surrogates, nothing above U+10FFFF, no cut-off sequence.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);

// Strict UTF-8 throughout (see Utf8SequenceLength).
bool IsValidUtf8(std::string_view bytes);

} // namespace twinly::platform
