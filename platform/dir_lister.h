// SPDX-License-Identifier: GPL-3.0-or-later
// Folder listing for the walk. A directory is opened relative to its parent's handle, so the
// depth of a tree and the length of its paths are never limited by the system's path length.
// Symbolic links are never followed below the folder the user named.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace twinly::platform {

enum class EntryKind : std::uint8_t {
    Directory,   // a real directory, never a link to one
    RegularFile, // a real file; links, FIFOs, sockets and devices are Other
    Other,
};

struct FileStat {
    std::int64_t size = 0;
    std::int64_t mtime = 0;   // seconds since the epoch
    std::int64_t mtimeNs = 0; // the same, in nanoseconds
    std::int64_t ctimeNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

class Directory {
public:
    Directory() = default;
    ~Directory();
    Directory(Directory &&other) noexcept;
    Directory &operator=(Directory &&other) noexcept;
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;

    // The folder the user named; a link there is followed, as the user asked for it.
    static Directory openPath(const std::string &path);
    // A subfolder of this one, never through a link.
    Directory openChild(const std::string &name) const;

    bool isOpen() const { return m_fd >= 0; }
    void close();
    // For opening files of this folder by name (FileReader::openAt); valid while open.
    int nativeHandle() const { return m_fd; }
    // True for the kernel's own pseudo file systems (proc, sysfs, debugfs, cgroup and the like):
    // their files report sizes that have nothing to do with what reading them gives, some
    // never end, and none is a user's file. A walk does not enter them unless told to.
    bool onPseudoFileSystem() const;

    // Calls `visit` for every entry but "." and "..", in the order the system lists them. The
    // name is null-terminated and valid during the call only.
    // `visit` returns false to stop early. Returns false when the listing could not be read.
    bool forEach(const std::function<bool(std::string_view name, EntryKind kind)> &visit) const;
    // Size and time of a regular file of this folder; false when it is gone or no longer a file.
    // `name` is the null-terminated name as forEach handed it out.
    bool statFile(const char *name, FileStat &out) const;
    // Device and inode of an entry of this folder, looked at without opening it (so a folder
    // left out of a walk is never opened) and without following a link.
    bool entryIdentity(const char *name, std::uint64_t &device, std::uint64_t &inode) const;

private:
    explicit Directory(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

} // namespace twinly::platform
