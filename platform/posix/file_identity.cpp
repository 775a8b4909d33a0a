// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_identity.h"

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
    id.kind = S_ISREG(st.st_mode) ? FileIdentity::Kind::Regular : FileIdentity::Kind::Other;
    id.Device = static_cast<std::uint64_t>(st.st_dev);
    id.Inode = static_cast<std::uint64_t>(st.st_ino);
    id.Size = static_cast<std::int64_t>(st.st_size);
    id.MtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    id.CtimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    return id;
}

} // namespace twinly::platform
