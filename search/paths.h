// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace twinly {

inline constexpr char kPathSeparator = '/';

// The text after the last separator (the whole text when there is none).
std::string NameOfPath(std::string_view path);
// The path less its name part, the trailing separator kept.
std::string DirOfPath(std::string_view path);
// A folder as the walk takes it: one trailing separator dropped ("/" becomes "", the root).
std::string WalkFolderText(std::string_view folder);

} // namespace twinly
