// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace twinly::platform {

FileReader::~FileReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileReader::FileReader(FileReader &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileReader &FileReader::operator=(FileReader &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileReader FileReader::open(const std::string &path)
{
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW;
    // O_NOATIME keeps a search from touching every file's access time; the system refuses it
    // for files the user does not own, and then a plain open is fine.
    int fd = ::open(path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return FileReader();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileReader();
    }
    return FileReader(fd);
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
