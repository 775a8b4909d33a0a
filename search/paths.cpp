// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"

namespace twinly {

std::string NameOfPath(std::string_view path)
{
    const auto pos = path.rfind(kPathSeparator);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string DirOfPath(std::string_view path)
{
    const auto pos = path.rfind(kPathSeparator);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string WalkFolderText(std::string_view folder)
{
    if (!folder.empty() && folder.back() == kPathSeparator)
        folder.remove_suffix(1);
    return std::string(folder);
}

} // namespace twinly
