// SPDX-License-Identifier: GPL-3.0-or-later
// What a stat call tells, as the platform layer hands it on.
#pragma once

#include "file_identity.h"

#include <sys/stat.h>

#include <cstdint>
#include <ctime>

namespace twinly::platform {

constexpr std::int64_t NanosecondsOf(const timespec &t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

inline FileIdentity IdentityOf(const struct stat &st)
{
    FileIdentity id;
    id.kind = S_ISREG(st.st_mode) ? FileIdentity::Kind::Regular : FileIdentity::Kind::Other;
    id.Device = static_cast<std::uint64_t>(st.st_dev);
    id.Inode = static_cast<std::uint64_t>(st.st_ino);
    id.Size = static_cast<std::int64_t>(st.st_size);
    id.MtimeNs = NanosecondsOf(st.st_mtim);
    id.CtimeNs = NanosecondsOf(st.st_ctim);
    return id;
}

} // namespace twinly::platform
