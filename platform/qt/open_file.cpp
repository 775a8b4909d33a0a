// SPDX-License-Identifier: GPL-3.0-or-later
#include "open_file.h"

#include "path_text.h"

#include <sys/stat.h>

#include <QDesktopServices>
#include <QUrl>

namespace twinly::platform {

int ShellOpen(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 2;
    // The URL carries the name's bytes, '#' and '?' included, as part of the path.
    return QDesktopServices::openUrl(FileUrlOf(path)) ? 42 : 31;
}

} // namespace twinly::platform
