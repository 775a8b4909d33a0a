// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_identity.h"

#include "stat_identity.h"

#include <sys/stat.h>

#include <cerrno>

namespace twinly::platform {

FileIdentity IdentifyFile(const std::string &path)
{
    FileIdentity id;
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
        id.kind = path.empty() || errno == ENOENT || errno == ENOTDIR
                      ? FileIdentity::Kind::Missing
                      : FileIdentity::Kind::Unreadable;
        return id;
    }
    return IdentityOf(st);
}

} // namespace twinly::platform
