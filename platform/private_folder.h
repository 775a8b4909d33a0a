// SPDX-License-Identifier: GPL-3.0-or-later
// Folders the program keeps its own data in.
#pragma once

#include <string>

namespace twinly::platform {

// Makes the folder and any missing above it, then makes the folder itself the user's alone:
// what is kept there tells what the user's files hold. False when that did not all succeed.
bool MakePrivateFolder(const std::string &folder);

} // namespace twinly::platform
