// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of a path, taken from its text alone: nothing is looked up on disk.
#pragma once

#include <string>
#include <string_view>

namespace twinly::platform {

// The folder a name stands in: "." for a bare name, "/" for a name right below the root. A
// trailing separator is not looked through ("a/b/" stands in "a/b").
inline std::string ParentFolder(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

// The last part of a path: all of it when it holds no separator.
inline std::string_view FileNameOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace twinly::platform
