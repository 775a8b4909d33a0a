// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_store.h"

namespace twinly::platform {

namespace {

bool isBlank(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

// A blank, a control character or a comma ends an entry that is not in quotes.
bool endsBareEntry(char c)
{
    return static_cast<unsigned char>(c) <= 32 || c == ',';
}

bool needsQuotes(std::string_view entry)
{
    for (char c : entry) {
        if (endsBareEntry(c) || c == '"')
            return true;
    }
    return false;
}

} // namespace

std::string EncodeCommaList(const std::vector<std::string> &entries)
{
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out.push_back(',');
        const std::string &e = entries[i];
        // An empty entry written as nothing would vanish when alone or last, so it is quoted
        // wherever it stands.
        if (e.empty() || needsQuotes(e)) {
            out.push_back('"');
            for (char c : e) {
                if (c == '"')
                    out.push_back('"');
                out.push_back(c);
            }
            out.push_back('"');
        } else {
            out += e;
        }
    }
    return out;
}

std::vector<std::string> DecodeCommaList(std::string_view text)
{
    std::vector<std::string> list;
    // A NUL ends the text, as it ends a C string.
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    const std::size_t n = text.size();
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < n && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        // Every turn consumes something: a quote, a character of an entry, or a comma (the
        // only other thing that can stand here, as blanks were skipped).
        std::string entry;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        entry.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry.push_back(text[i++]);
            }
        } else {
            while (i < n && !endsBareEntry(text[i]))
                entry.push_back(text[i++]);
        }
        list.push_back(std::move(entry));
        skipBlanks();
        if (i < n && text[i] == ',') {
            ++i;
            skipBlanks();
        }
    }
    return list;
}

} // namespace twinly::platform
