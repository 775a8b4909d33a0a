// SPDX-License-Identifier: GPL-3.0-or-later
// Folders the user names for files to go to (a destination of Move and Copy, the keeping
// folder), read from the path's bytes as typed.
#pragma once

#include <string>

namespace twinly {

// "~" and "~/..." begin at the home folder; every other text is taken as it stands.
std::string ExpandHome(std::string text);
// False unless the text is an absolute path other than the root once "~" is expanded. A
// relative path would depend on the program's working folder, which the user never sees.
// `folder` gets the path without trailing slashes.
bool UsableFolder(const std::string &typed, std::string &folder);
// Where the keeping folder keeps a file: its whole path continues below the folder.
std::string KeepingTarget(const std::string &keep, const std::string &path);

} // namespace twinly
