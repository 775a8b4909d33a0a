// SPDX-License-Identifier: GPL-3.0-or-later
// Input: a language file. Its first line also names one more section and key to look up, as
// "section/key", so that the fuzzer can steer the lookup towards what the text holds.
#include "profile_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace twinly::platform;

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

std::size_t codePoints(std::string_view utf8)
{
    std::size_t n = 0;
    for (const char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string flipAsciiCase(std::string_view s)
{
    std::string out(s);
    for (char &c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool isBlankOrCr(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);

    const std::string converted = Windows1252ToUtf8(input);
    check(IsValidUtf8(converted));
    check(codePoints(converted) == input.size());
    if (IsValidUtf8(input)) {
        bool ascii = true;
        for (const char c : input)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        check(!ascii || converted == input);
    }

    std::vector<std::pair<std::string, std::string>> lookups = {
        {"Form1", "Caption"}, {"Form1", "MaskCBox"}, {"Hint.Form1", "GoBut"}, {"Strings", "str1"}};
    const std::string_view firstLine = input.substr(0, input.find('\n'));
    const std::size_t slash = firstLine.find('/');
    if (slash != std::string_view::npos)
        lookups.emplace_back(firstLine.substr(0, slash), firstLine.substr(slash + 1));

    // Text that is not UTF-8 reads exactly as its Windows-1252 conversion does.
    std::string_view body = input;
    if (body.starts_with("\xEF\xBB\xBF"))
        body.remove_prefix(3);
    const bool utf8 = IsValidUtf8(body);
    const std::string asUtf8 = utf8 ? std::string() : Windows1252ToUtf8(body);

    for (const auto &[section, key] : lookups) {
        const std::optional<std::string> value = ProfileStringFromText(input, section, key);
        if (!value)
            continue;
        check(IsValidUtf8(*value));
        check(codePoints(*value) <= kProfileValueMax);
        check(value->find('\n') == std::string::npos);
        check(ProfileStringFromText(input, flipAsciiCase(section), flipAsciiCase(key)) == value);
        check(ProfileStringFromText(input, " " + section + "\t", "\t" + key + " ") == value);
        if (!utf8)
            check(ProfileStringFromText(asUtf8, section, key) == value);
        // Taken as the whole file, the value's own line gives the value back, unless quotes,
        // blanks at its ends or a CR before the line end made it something a line cannot say
        // as is.
        const std::string_view name = trimBlanks(key), group = trimBlanks(section);
        const bool plain =
            value->empty() || (!isBlankOrCr(value->front()) && !isBlankOrCr(value->back()) &&
                               value->front() != '"' && value->front() != '\'');
        if (plain && name.find('=') == std::string_view::npos && name.front() != ';' &&
            name.front() != '[' && group.find(']') == std::string_view::npos)
            check(ProfileStringFromText("[" + std::string(group) + "]\n" + std::string(name) + "=" +
                                            *value + "\n",
                                        section, key) == value);
    }
    return 0;
}
