// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile_file.h"

#include "file_reader.h"
#include "text.h"

#include <cstdint>

namespace twinly::platform {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Only ASCII letters fold: the names are object names and message keys, and folding other
// letters would make a match depend on the encoding the file happened to be saved in.
bool sameName(std::string_view a, std::string_view b)
{
    return EqualsIgnoringAsciiCase(a, b);
}

std::string_view unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The text is valid UTF-8 here, so counting lead bytes counts characters.
std::string_view cutToCharacters(std::string_view v, std::size_t max)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (isContinuation(v[i]))
            continue;
        if (count == max)
            return v.substr(0, i);
        ++count;
    }
    return v;
}

// The value of `key` in the first section named `section`, over UTF-8 text without a BOM.
std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                     std::string_view key)
{
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = trimBlanks(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos) {
                // Later sections of the same name are never read: the first one decides.
                if (inSection)
                    return std::nullopt;
                inSection = sameName(trimBlanks(line.substr(1, close - 1)), section);
                continue;
            }
        }
        if (!inSection)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !sameName(trimBlanks(line.substr(0, eq)), key))
            continue;
        const std::string_view value = unquote(trimBlanks(line.substr(eq + 1)));
        return std::string(cutToCharacters(value, kProfileValueMax));
    }
    return std::nullopt;
}

} // namespace

std::string Windows1252ToUtf8(std::string_view bytes)
{
    // 0x80 to 0x9F; the rest of the upper half is Latin-1, which is the same code point.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
            continue;
        }
        const std::uint32_t cp = b < 0xA0 ? kHigh[b - 0x80] : b;
        if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        }
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    return out;
}

std::optional<std::string> ProfileStringFromText(std::string_view text, std::string_view section,
                                                 std::string_view key)
{
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (section.empty() || key.empty())
        return std::nullopt;
    if (text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    if (IsValidUtf8(text))
        return findValue(text, section, key);
    return findValue(Windows1252ToUtf8(text), section, key);
}

std::optional<std::string> ReadProfileString(const std::string &file, std::string_view section,
                                             std::string_view key)
{
    // Only regular files are read (a FIFO given as a language file cannot hang the window),
    // and only up to the limit.
    std::string text;
    if (ReadWholeFile(file, kProfileFileMax, text) != WholeFileStatus::Ok)
        return std::nullopt;
    return ProfileStringFromText(text, section, key);
}

} // namespace twinly::platform
