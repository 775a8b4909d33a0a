// SPDX-License-Identifier: GPL-3.0-or-later
// A folder tree in a fresh temporary folder, removed with everything in it at the end.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace twinly::test {

class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree &) = delete;
    TempTree &operator=(const TempTree &) = delete;

    const std::string &root() const { return m_root; }
    std::string path(std::string_view relative) const;

    // Creates the file (and its folders) with the given bytes; mtime 0 keeps the current time.
    std::string createFile(std::string_view relative, std::string_view bytes,
                           std::time_t mtime = 0);
    std::string createDir(std::string_view relative);
    void symlink(std::string_view target, std::string_view relative);
    void fifo(std::string_view relative);
    std::string read(std::string_view relative) const;

private:
    std::string m_root;
};

// A small tmpfs mounted on `folder` for the object's life: a disk that fills up. Mounting needs
// privileges: mounted() is false where it is not allowed, and the test then skips.
class SmallFileSystem {
public:
    SmallFileSystem(const std::string &folder, const char *size);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool mounted() const { return m_mounted; }

private:
    std::string m_folder;
    bool m_mounted;
};

// True when the process can read a folder whose permissions forbid it (root can), so that
// tests of unreadable folders know to skip.
bool permissionsAreBypassed();

} // namespace twinly::test
