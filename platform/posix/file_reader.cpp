// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace twinly::platform {

namespace {

int openRelative(int dirFd, const char *name, int flags)
{
    int fd;
    do {
        fd = ::openat(dirFd, name, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// open(2) refuses paths of PATH_MAX bytes and more. Such a path is opened by walking down to
// its folder in pieces that each fit, every piece ending at a separator, then opening the
// name relative to that folder. Intermediate links are followed as a plain open would.
int openLongPath(const std::string &path, int flags)
{
    int dirFd = AT_FDCWD;
    std::size_t pos = 0;
    auto closeDir = [&] {
        if (dirFd != AT_FDCWD)
            ::close(dirFd);
    };
    while (path.size() - pos >= PATH_MAX) {
        const std::size_t cut = path.rfind('/', pos + PATH_MAX - 2);
        if (cut == std::string::npos || cut < pos) {
            closeDir();
            errno = ENAMETOOLONG;
            return -1;
        }
        if (cut == pos && pos > 0) { // a doubled separator
            pos = cut + 1;
            continue;
        }
        const std::string piece = cut == pos ? std::string("/") : path.substr(pos, cut - pos);
        const int next = openRelative(dirFd, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        closeDir();
        if (next < 0)
            return -1;
        dirFd = next;
        pos = cut + 1;
    }
    const int fd = openRelative(dirFd, path.c_str() + pos, flags);
    const int saved = errno;
    closeDir();
    errno = saved;
    return fd;
}

int openPath(const std::string &path, int flags)
{
    if (path.size() >= PATH_MAX)
        return openLongPath(path, flags);
    return openRelative(AT_FDCWD, path.c_str(), flags);
}

FileIdentity identityOf(const struct stat &st)
{
    FileIdentity id;
    id.kind = S_ISREG(st.st_mode) ? FileIdentity::Kind::Regular : FileIdentity::Kind::Other;
    id.Device = static_cast<std::uint64_t>(st.st_dev);
    id.Inode = static_cast<std::uint64_t>(st.st_ino);
    id.Size = static_cast<std::int64_t>(st.st_size);
    id.MtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    id.CtimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    return id;
}

} // namespace

FileReader::~FileReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileReader::FileReader(FileReader &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_identity(other.m_identity)
{}

FileReader &FileReader::operator=(FileReader &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_identity = other.m_identity;
    }
    return *this;
}

FileReader FileReader::open(const std::string &path, bool followLink, int *error)
{
    return openWith([&](int flags) { return openPath(path, flags); }, followLink, error);
}

FileReader FileReader::openAt(int folderHandle, const char *name, int *error)
{
    return openWith([&](int flags) { return openRelative(folderHandle, name, flags); }, false,
                    error);
}

template<typename Open>
FileReader FileReader::openWith(Open &&openFile, bool followLink, int *error)
{
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW);
    // O_NOATIME keeps a search from touching every file's access time; the system refuses it
    // for files the user does not own, and then a plain open is fine.
    int fd = openFile(flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = openFile(flags);
    if (fd < 0) {
        if (error)
            *error = errno;
        return FileReader();
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = 0;
        ::close(fd);
        return FileReader();
    }
    FileReader reader(fd);
    reader.m_identity = identityOf(st);
    return reader;
}

bool FileReader::currentIdentity(FileIdentity &out) const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return false;
    out = identityOf(st);
    return true;
}

std::int64_t FileReader::read(void *buffer, std::size_t size)
{
    auto *out = static_cast<char *>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(m_fd, out + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

} // namespace twinly::platform
