// SPDX-License-Identifier: GPL-3.0-or-later
#include "text.h"

namespace twinly::platform {

std::string LowerAscii(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = AsciiLower(c);
    return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

void AppendHexByte(std::string &out, std::uint8_t byte, HexCase letters)
{
    const char *digits = letters == HexCase::Lower ? "0123456789abcdef" : "0123456789ABCDEF";
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 0xF]);
}

std::string HexNumber(std::uint32_t value, int minDigits)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string number;
    for (int n = 0; value != 0 || n < minDigits; ++n, value >>= 4)
        number.insert(number.begin(), digits[value & 0xF]);
    return number;
}

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80)
        return 1;
    std::size_t len;
    std::uint32_t code;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        code = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        code = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        code = b0 & 0x07u;
    } else {
        return 0;
    }
    if (s.size() - i < len)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (b & 0x3Fu);
    }
    const bool overlong = (len == 3 && code < 0x800) || (len == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (overlong || surrogate || code > 0x10FFFF)
        return 0;
    return len;
}

bool IsValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = Utf8SequenceLength(bytes, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

} // namespace twinly::platform
