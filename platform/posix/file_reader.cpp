// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_reader.h"

#include "stat_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    reader.m_identity = IdentityOf(st);
    return reader;
}

bool FileReader::currentIdentity(FileIdentity &out) const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return false;
    out = IdentityOf(st);
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

void FileReader::readAhead(std::uint64_t maxBytes) const
{
    if (m_fd < 0)
        return;
    const auto length = static_cast<off_t>(std::min<std::uint64_t>(
        maxBytes, static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_identity.Size))));
    (void)::posix_fadvise(m_fd, 0, length, POSIX_FADV_WILLNEED);
}

namespace {

// For a std::string or a ReadBuffer: both resize without touching what they keep.
template<typename Buffer>
bool readRest(FileReader &file, std::int64_t sizeAtOpen, Buffer &out, std::size_t maxBytes)
{
    // One allocation of the size the file has, plus a byte to see it has not grown; a file that
    // grows after all is read on in pieces. The room `out` already has is used first: a caller
    // reading many files into one buffer saves the page faults of a fresh one each time, and
    // (no clear() first: resize fills only what grows) the zeroing of the bytes it holds.
    const auto expected = static_cast<std::size_t>(std::max<std::int64_t>(0, sizeAtOpen));
    if (expected > maxBytes)
        return false;
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    out.resize(expected + 1);
    std::size_t at = 0;
    // Nothing half-read is left in `out`.
    const auto fail = [&out] {
        out.resize(0);
        return false;
    };
    for (;;) {
        if (at == out.size()) {
            if (at > maxBytes)
                return fail();
            out.resize(at + std::min(kPiece, maxBytes + 1 - at));
        }
        const std::int64_t got = file.read(out.data() + at, out.size() - at);
        if (got < 0)
            return fail();
        if (got == 0)
            break;
        at += static_cast<std::size_t>(got);
    }
    out.resize(at);
    return true;
}

} // namespace

bool FileReader::readToEnd(std::string &out, std::size_t maxBytes)
{
    return readRest(*this, m_identity.Size, out, maxBytes);
}

bool FileReader::readToEnd(ReadBuffer &out, std::size_t maxBytes)
{
    return readRest(*this, m_identity.Size, out, maxBytes);
}

WholeFileStatus ReadWholeFile(const std::string &path, std::size_t maxBytes, std::string &out)
{
    int error = 0;
    FileReader file = FileReader::open(path, /*followLink=*/true, &error);
    if (!file.isOpen()) {
        if (error == 0)
            return WholeFileStatus::NotRegular;
        return error == ENOENT || error == ENOTDIR ? WholeFileStatus::Absent
                                                   : WholeFileStatus::Failed;
    }
    return file.readToEnd(out, maxBytes) ? WholeFileStatus::Ok : WholeFileStatus::Failed;
}

} // namespace twinly::platform
