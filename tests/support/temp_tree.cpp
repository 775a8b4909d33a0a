// SPDX-License-Identifier: GPL-3.0-or-later
#include "temp_tree.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace twinly::test {

TempTree::TempTree()
{
    std::string pattern = (fs::temp_directory_path() / "twinly-test-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    m_root = buf.data();
}

TempTree::~TempTree()
{
    std::error_code ec;
    // Make everything removable again (tests take permissions away).
    for (auto it = fs::recursive_directory_iterator(m_root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_root, ec);
}

SmallFileSystem::SmallFileSystem(const std::string &folder, const char *size)
    : m_folder(folder), m_mounted(::mount("tmpfs", folder.c_str(), "tmpfs", 0,
                                          (std::string("size=") + size).c_str()) == 0)
{}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        ::umount(m_folder.c_str());
}

std::string TempTree::path(std::string_view relative) const
{
    return m_root + "/" + std::string(relative);
}

std::string TempTree::createFile(std::string_view relative, std::string_view bytes,
                                 std::time_t mtime)
{
    const std::string p = path(relative);
    fs::create_directories(fs::path(p).parent_path());
    {
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            throw std::runtime_error("cannot write " + p);
    }
    if (mtime != 0) {
        const timespec times[2] = {{mtime, 0}, {mtime, 0}};
        ::utimensat(AT_FDCWD, p.c_str(), times, 0);
    }
    return p;
}

std::string TempTree::createDir(std::string_view relative)
{
    const std::string p = path(relative);
    fs::create_directories(p);
    return p;
}

void TempTree::symlink(std::string_view target, std::string_view relative)
{
    const std::string p = path(relative);
    fs::create_directories(fs::path(p).parent_path());
    if (::symlink(std::string(target).c_str(), p.c_str()) != 0)
        throw std::runtime_error("symlink failed");
}

void TempTree::fifo(std::string_view relative)
{
    const std::string p = path(relative);
    fs::create_directories(fs::path(p).parent_path());
    if (::mkfifo(p.c_str(), 0600) != 0)
        throw std::runtime_error("mkfifo failed");
}

std::string TempTree::read(std::string_view relative) const
{
    std::ifstream in(path(relative), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool permissionsAreBypassed()
{
    return ::geteuid() == 0;
}

} // namespace twinly::test
