// SPDX-License-Identifier: GPL-3.0-or-later
// Who a path names now, in the terms a search record keeps. The link itself is looked at, never
// what it points to: a record is made only for regular files, so a link or a folder found in a
// file's place later is another thing than the file that was there.
#pragma once

#include <cstdint>
#include <string>

namespace twinly::platform {

struct FileIdentity {
    enum class Kind : std::uint8_t {
        Missing,    // nothing has the name (or a folder of the path is gone)
        Regular,    // a regular file: the fields below describe it
        Other,      // a folder, link, device, ...
        Unreadable, // the name cannot be looked at (permissions): nothing is known
    };
    Kind kind = Kind::Missing;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t MtimeNs = 0; // nanoseconds since the epoch
    std::int64_t CtimeNs = 0;

    bool regular() const { return kind == Kind::Regular; }
    // Both are regular files and the same file (device and inode).
    bool sameFile(const FileIdentity &other) const
    {
        return regular() && other.regular() && Device == other.Device && Inode == other.Inode;
    }
};

FileIdentity IdentifyFile(const std::string &path);

} // namespace twinly::platform
