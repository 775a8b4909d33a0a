// SPDX-License-Identifier: GPL-3.0-or-later
#include "folder_text.h"

#include "system_info.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace twinly {

namespace {

// True when the absolute path, read lexically, names the root folder ("/", "//", "/.", "/a/..").
bool namesRoot(std::string_view path)
{
    int depth = 0;
    std::size_t i = 0;
    while (i < path.size()) {
        const std::size_t slash = std::min(path.find('/', i), path.size());
        const std::string_view part = path.substr(i, slash - i);
        if (part == "..")
            depth = std::max(0, depth - 1);
        else if (!part.empty() && part != ".")
            ++depth;
        i = slash + 1;
    }
    return depth == 0;
}

} // namespace

std::string ExpandHome(std::string text)
{
    if (text == "~" || text.starts_with("~/")) {
        const std::string home = platform::HomeFolder();
        if (!home.empty())
            text.replace(0, 1, home);
    }
    return text;
}

bool UsableFolder(const std::string &typed, std::string &folder)
{
    std::string path = ExpandHome(typed);
    if (!path.starts_with('/') || namesRoot(path))
        return false;
    while (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    folder = std::move(path);
    return true;
}

std::string KeepingTarget(const std::string &keep, const std::string &path)
{
    return keep + (path.starts_with('/') ? path : "/" + path);
}

} // namespace twinly
