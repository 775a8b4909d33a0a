// SPDX-License-Identifier: GPL-3.0-or-later
#include "private_folder.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace twinly::platform {

bool MakePrivateFolder(const std::string &folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return ::chmod(folder.c_str(), 0700) == 0 && !ec;
}

} // namespace twinly::platform
