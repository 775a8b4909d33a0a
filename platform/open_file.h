// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace twinly::platform {

// Opens a file with the program the desktop associates with it. Returns a value above 32 on
// success; 2 when the file does not exist, 31 when nothing could open it.
int ShellOpen(const std::string &path);

} // namespace twinly::platform
