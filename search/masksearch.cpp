// SPDX-License-Identifier: GPL-3.0-or-later
#include "masksearch.h"

#include <algorithm>

namespace twinly {

namespace {

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool hasWildcard(std::string_view s)
{
    return s.find_first_of("*?") != std::string_view::npos;
}

std::string rewriteMask(std::string mask)
{
    if (mask.find('.') != std::string::npos)
        return mask;
    if (hasWildcard(mask)) {
        if (mask.back() != '*')
            mask.push_back('*');
        return mask;
    }
    return "*" + mask + "*";
}

} // namespace

MaskList BuildMaskList(std::string_view maskText)
{
    if (maskText.empty())
        return {"*"};
    std::string text(maskText);
    std::replace(text.begin(), text.end(), ',', ';');
    if (text.back() != ';')
        text.push_back(';');

    MaskList masks;
    std::size_t start = 0;
    for (std::size_t semi = text.find(';'); semi != std::string::npos;
         start = semi + 1, semi = text.find(';', start)) {
        std::string_view piece(text.data() + start, semi - start);
        while (!piece.empty() && isBlankOrControl(piece.front()))
            piece.remove_prefix(1);
        while (!piece.empty() && isBlankOrControl(piece.back()))
            piece.remove_suffix(1);
        masks.push_back(rewriteMask(LowerAscii(piece)));
    }
    return masks;
}

bool MatchOneMask(std::string_view name, std::string_view mask, bool wholeName)
{
    if (mask == "*")
        return true;
    if (mask == "*.*" && name.find('.') != std::string_view::npos)
        return true;
    if (!hasWildcard(mask)) {
        if (wholeName ? mask == name : name.find(mask) != std::string_view::npos)
            return true;
    }
    if (mask.empty())
        return false;

    std::size_t p = 0; // next unread character of name
    bool afterStar = false;
    std::size_t i = 0;
    while (i < mask.size()) {
        const char c = mask[i];
        if (c == '?') {
            if (p >= name.size())
                return false;
            ++p;
            ++i;
        } else if (c == '*') {
            afterStar = true;
            ++i;
        } else {
            std::size_t end = mask.find_first_of("*?", i);
            if (end == std::string_view::npos)
                end = mask.size();
            const std::string_view run = mask.substr(i, end - i);
            if (afterStar) {
                const std::size_t at = name.find(run, p);
                if (at == std::string_view::npos)
                    return false;
                p = at + run.size();
                afterStar = false;
            } else {
                if (name.substr(p, run.size()) != run || name.size() - p < run.size())
                    return false;
                p += run.size();
            }
            i = end;
        }
    }
    return afterStar || p == name.size();
}

bool MatchMaskList(std::string_view name, const MaskList &masks, bool wholeName)
{
    if (name.empty() || masks.empty())
        return true;
    const std::string lower = LowerAscii(name);
    return std::any_of(masks.begin(), masks.end(), [&](const std::string &mask) {
        return MatchOneMask(lower, mask, wholeName);
    });
}

bool MaskMatch(std::string_view name, std::string_view maskText, bool wholeName)
{
    return MatchMaskList(name, BuildMaskList(maskText), wholeName);
}

} // namespace twinly
